#include "core/net/IcmpSocketEcho.h"

#include "core/net/Ipv4.h"
#include "core/net/UniqueFd.h"

#include <QHash>
#include <QRandomGenerator>

#include <arpa/inet.h>
#include <linux/errqueue.h>
#include <netinet/in.h>
#include <netinet/ip.h>
#include <netinet/ip_icmp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <vector>

using Clock = std::chrono::steady_clock;

namespace {

constexpr size_t kIcmpHeader = 8;
// Sequence numbers are 16 bits: a larger batch goes out in parts so that none repeats.
constexpr qsizetype kMaxPerSocket = 32768;

// One request of a batch: what identifies its reply among everything else the socket sees.
struct Pending {
    uint32_t target = 0;
    uint16_t sequence = 0;
    bool sent = false;
    bool done = false;
    Clock::time_point sentAt;
};

// The requests of one socket, found by sequence number.
struct Batch {
    bool raw = false;
    uint16_t id = 0;
    std::vector<Pending> pending;
    QHash<uint16_t, qsizetype> bySequence;
    QList<EchoResult> results;
    qsizetype open = 0;
    std::chrono::milliseconds timeout{0};

    Pending *find(uint16_t id16, uint16_t sequence, uint32_t target)
    {
        const auto it = bySequence.constFind(sequence);
        if (id16 != id || it == bySequence.constEnd())
            return nullptr;
        Pending &p = pending[static_cast<size_t>(*it)];
        return p.sent && !p.done && p.target == target ? &p : nullptr;
    }
    void finish(Pending &p, EchoResult result)
    {
        // A reply after the request's own time-out is as good as none.
        if (result.status == icmpstatus::Success && Clock::now() - p.sentAt > timeout)
            result = EchoResult::withStatus(icmpstatus::ReqTimedOut);
        p.done = true;
        --open;
        results[&p - pending.data()] = std::move(result);
    }
};

std::atomic<uint16_t> nextSequence{1};

uint16_t freshIdentifier()
{
    return static_cast<uint16_t>((static_cast<uint32_t>(::getpid()) ^ QRandomGenerator::system()->generate()) &
                                 0xFFFFu);
}

bool notPermitted(int error)
{
    return error == EACCES || error == EPERM || error == EPROTONOSUPPORT || error == ESOCKTNOSUPPORT ||
           error == EAFNOSUPPORT;
}

uint16_t readBe16(const unsigned char *p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }

QByteArray buildRequest(uint16_t id, uint16_t sequence, const QByteArray &payload)
{
    QByteArray packet(static_cast<qsizetype>(kIcmpHeader), '\0');
    auto *p = reinterpret_cast<unsigned char *>(packet.data());
    p[0] = ICMP_ECHO;
    p[4] = static_cast<unsigned char>(id >> 8);
    p[5] = static_cast<unsigned char>(id & 0xFF);
    p[6] = static_cast<unsigned char>(sequence >> 8);
    p[7] = static_cast<unsigned char>(sequence & 0xFF);
    packet += payload;
    p = reinterpret_cast<unsigned char *>(packet.data());
    const uint16_t sum = InternetChecksum(p, static_cast<size_t>(packet.size()));
    p[2] = static_cast<unsigned char>(sum >> 8);
    p[3] = static_cast<unsigned char>(sum & 0xFF);
    return packet;
}

uint32_t elapsedMs(Clock::time_point from)
{
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - from);
    return static_cast<uint32_t>(elapsed.count());
}

// An ICMP error quoting one of our requests: the original IP header and the first 8 bytes of
// our echo.
void matchError(const unsigned char *icmp, size_t length, uint32_t from, Batch &batch)
{
    const int type = icmp[0];
    if (type != ICMP_DEST_UNREACH && type != ICMP_TIME_EXCEEDED && type != ICMP_PARAMETERPROB &&
        type != ICMP_SOURCE_QUENCH)
        return;
    if (length < kIcmpHeader + sizeof(iphdr))
        return;
    const unsigned char *inner = icmp + kIcmpHeader;
    const size_t innerHeader = static_cast<size_t>(inner[0] & 0x0F) * 4;
    if (innerHeader < sizeof(iphdr) || length < kIcmpHeader + innerHeader + kIcmpHeader)
        return;
    in_addr innerDestination{};
    std::memcpy(&innerDestination.s_addr, inner + 16, 4);
    const unsigned char *quoted = inner + innerHeader;
    if (inner[9] != IPPROTO_ICMP || quoted[0] != ICMP_ECHO)
        return;
    if (Pending *p = batch.find(readBe16(quoted + 4), readBe16(quoted + 6), ipv4::fromInAddr(innerDestination))) {
        EchoResult result = EchoResult::withStatus(icmpstatus::fromIcmpError(type, icmp[1]));
        result.replyAddress = from;
        batch.finish(*p, result);
    }
}

// A reply to one of our requests, or an error about one; anything else is somebody else's.
void matchIcmp(const unsigned char *icmp, size_t length, uint32_t from, uint8_t ttl, Batch &batch)
{
    if (length < kIcmpHeader)
        return;
    if (icmp[0] != ICMP_ECHOREPLY) {
        matchError(icmp, length, from, batch);
        return;
    }
    Pending *p = icmp[1] == 0 ? batch.find(readBe16(icmp + 4), readBe16(icmp + 6), from) : nullptr;
    if (!p)
        return;
    EchoResult result = EchoResult::withStatus(icmpstatus::Success);
    result.roundTripMs = elapsedMs(p->sentAt);
    result.replyAddress = from;
    result.ttl = ttl;
    result.data = QByteArray(reinterpret_cast<const char *>(icmp + kIcmpHeader),
                             static_cast<qsizetype>(length - kIcmpHeader));
    batch.finish(*p, result);
}

// A raw socket hands over the IP header too; a datagram socket only the ICMP message.
void matchPacket(const unsigned char *packet, size_t length, uint32_t from, Batch &batch)
{
    if (!batch.raw) {
        matchIcmp(packet, length, from, 0, batch);
        return;
    }
    if (length < sizeof(iphdr))
        return;
    const size_t header = static_cast<size_t>(packet[0] & 0x0F) * 4;
    if (header >= sizeof(iphdr) && length >= header)
        matchIcmp(packet + header, length - header, from, packet[8], batch);
}

// Reads what is queued, a bounded number at a time so that a flood cannot hold the wait past
// its deadline.
void drainIncoming(int fd, Batch &batch)
{
    unsigned char buffer[2048];
    for (int i = 0; i < 256 && batch.open > 0; ++i) {
        sockaddr_in from{};
        socklen_t fromLength = sizeof(from);
        const ssize_t n = ::recvfrom(fd, buffer, sizeof(buffer), 0, reinterpret_cast<sockaddr *>(&from), &fromLength);
        if (n < 0)
            return;
        matchPacket(buffer, static_cast<size_t>(n), ipv4::fromInAddr(from.sin_addr), batch);
    }
}

// The status a queued error entry reports, if it is one.
std::optional<int32_t> errorStatus(msghdr &message)
{
    for (cmsghdr *c = CMSG_FIRSTHDR(&message); c; c = CMSG_NXTHDR(&message, c)) {
        if (c->cmsg_level != SOL_IP || c->cmsg_type != IP_RECVERR)
            continue;
        sock_extended_err error{};
        std::memcpy(&error, CMSG_DATA(c), sizeof(error));
        return error.ee_origin == SO_EE_ORIGIN_ICMP ? icmpstatus::fromIcmpError(error.ee_type, error.ee_code)
                                                    : icmpstatus::fromSendErrno(static_cast<int>(error.ee_errno));
    }
    return std::nullopt;
}

// A datagram socket with IP_RECVERR queues ICMP errors about its requests; the queued data is
// our own echo header, so its sequence number tells which request it is about.
void drainErrors(int fd, Batch &batch)
{
    for (int i = 0; i < 256 && batch.open > 0; ++i) {
        unsigned char data[512];
        unsigned char control[512];
        sockaddr_in destination{};
        iovec io{data, sizeof(data)};
        msghdr message{};
        message.msg_name = &destination;
        message.msg_namelen = sizeof(destination);
        message.msg_iov = &io;
        message.msg_iovlen = 1;
        message.msg_control = control;
        message.msg_controllen = sizeof(control);
        const ssize_t n = ::recvmsg(fd, &message, MSG_ERRQUEUE);
        if (n < 0)
            return;
        if (n < static_cast<ssize_t>(kIcmpHeader) || data[0] != ICMP_ECHO)
            continue;
        Pending *p = batch.find(batch.id, readBe16(data + 6), ipv4::fromInAddr(destination.sin_addr));
        const auto status = errorStatus(message);
        if (p && status)
            batch.finish(*p, EchoResult::withStatus(*status));
    }
}

// Handles what the socket reports; a pending error that no queued entry explains is cleared so
// that the wait does not spin on it.
void handleReady(int fd, short revents, Batch &batch)
{
    if (revents & POLLERR) {
        drainErrors(fd, batch);
        int error = 0;
        socklen_t length = sizeof(error);
        ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length);
    }
    if (revents & POLLIN)
        drainIncoming(fd, batch);
}

// Waits for the socket at most until the deadline; false once it has passed.
bool pollUntil(int fd, short events, Clock::time_point deadline, Batch &batch)
{
    const auto now = Clock::now();
    if (now >= deadline)
        return false;
    const auto remaining = std::chrono::duration_cast<std::chrono::nanoseconds>(deadline - now);
    constexpr int64_t kNanosPerSecond = 1000000000;
    timespec wait{static_cast<time_t>(remaining.count() / kNanosPerSecond),
                  static_cast<long>(remaining.count() % kNanosPerSecond)};
    pollfd poller{fd, events, 0};
    const int ready = ::ppoll(&poller, 1, &wait, nullptr);
    if (ready > 0)
        handleReady(fd, poller.revents, batch);
    return ready >= 0 || errno == EINTR;
}

// Sends one request, waiting for room in the send buffer (and reading replies meanwhile).
void sendOne(int fd, Pending &p, const QByteArray &payload, Batch &batch)
{
    const QByteArray packet = buildRequest(batch.id, p.sequence, payload);
    sockaddr_in destination{};
    destination.sin_family = AF_INET;
    destination.sin_addr = ipv4::toInAddr(p.target);
    const auto giveUp = Clock::now() + batch.timeout;
    int error = 0;
    do {
        p.sentAt = Clock::now();
        if (::sendto(fd, packet.constData(), static_cast<size_t>(packet.size()), 0,
                     reinterpret_cast<const sockaddr *>(&destination), sizeof(destination)) >= 0) {
            p.sent = true;
            return;
        }
        error = errno;
    } while (error == EAGAIN && pollUntil(fd, POLLIN | POLLOUT, giveUp, batch));
    p.sent = true;
    batch.finish(p, EchoResult::withStatus(icmpstatus::fromSendErrno(error)));
}

// A datagram socket's identifier is the number the kernel binds it to.
bool bindIdentifier(int fd, Batch &batch)
{
    if (batch.raw)
        return true;
    sockaddr_in local{};
    local.sin_family = AF_INET;
    socklen_t localLength = sizeof(local);
    if (::bind(fd, reinterpret_cast<const sockaddr *>(&local), sizeof(local)) < 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr *>(&local), &localLength) < 0)
        return false;
    batch.id = ntohs(local.sin_port);
    return true;
}

void sendAll(int fd, const QByteArray &payload, Batch &batch)
{
    for (Pending &p : batch.pending) {
        sendOne(fd, p, payload, batch);
        // Replies to earlier requests are read as they come, before the receive queue fills.
        pollfd poller{fd, POLLIN, 0};
        if (::poll(&poller, 1, 0) > 0)
            handleReady(fd, poller.revents, batch);
    }
}

QList<EchoResult> runBatch(int fd, bool raw, const QList<uint32_t> &addresses, const QByteArray &payload, int timeoutMs)
{
    Batch batch;
    batch.raw = raw;
    batch.id = raw ? freshIdentifier() : 0;
    batch.timeout = std::chrono::milliseconds(std::max(timeoutMs, 0));
    batch.results = QList<EchoResult>(addresses.size(), EchoResult::withStatus(icmpstatus::ReqTimedOut));
    batch.open = addresses.size();
    const uint16_t first = nextSequence.fetch_add(static_cast<uint16_t>(addresses.size()));
    for (qsizetype i = 0; i < addresses.size(); ++i) {
        const auto sequence = static_cast<uint16_t>(first + i);
        Pending p;
        p.target = addresses[i];
        p.sequence = sequence;
        batch.pending.push_back(p);
        batch.bySequence.insert(sequence, i);
    }
    if (!bindIdentifier(fd, batch))
        return QList<EchoResult>(addresses.size(), EchoResult::withStatus(icmpstatus::GeneralFailure));
    sendAll(fd, payload, batch);
    const auto last = std::max_element(batch.pending.begin(), batch.pending.end(),
                                       [](const Pending &a, const Pending &b) { return a.sentAt < b.sentAt; });
    const auto deadline = last->sentAt + batch.timeout;
    while (batch.open > 0 && pollUntil(fd, POLLIN, deadline, batch)) {
    }
    return batch.results;
}

// Readies a socket for a batch: errors about our requests are queued for a datagram socket;
// a raw socket, which sees all ICMP of this computer, takes only replies and errors; the receive
// queue has room for a reply to every request, so that none is dropped while more go out.
void prepareSocket(int fd, bool raw, qsizetype requests)
{
    if (raw) {
        constexpr int kIcmpFilter = 1; // ICMP_FILTER of <linux/icmp.h>: a mask of the types to drop
        const uint32_t dropped = ~((1u << ICMP_ECHOREPLY) | (1u << ICMP_DEST_UNREACH) | (1u << ICMP_SOURCE_QUENCH) |
                                   (1u << ICMP_TIME_EXCEEDED) | (1u << ICMP_PARAMETERPROB));
        ::setsockopt(fd, SOL_RAW, kIcmpFilter, &dropped, sizeof(dropped));
    } else {
        const int on = 1;
        ::setsockopt(fd, SOL_IP, IP_RECVERR, &on, sizeof(on));
    }
    constexpr qsizetype kRoomPerReply = 2048;
    const int room = static_cast<int>(std::min<qsizetype>(requests * kRoomPerReply, 64 * 1024 * 1024));
    // Beyond the system's limit only with CAP_NET_ADMIN; otherwise up to the limit.
    if (::setsockopt(fd, SOL_SOCKET, SO_RCVBUFFORCE, &room, sizeof(room)) != 0)
        ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &room, sizeof(room));
}

} // namespace

uint16_t InternetChecksum(const unsigned char *data, size_t length)
{
    uint32_t sum = 0;
    for (size_t i = 0; i + 1 < length; i += 2)
        sum += static_cast<uint32_t>(data[i] << 8 | data[i + 1]);
    if (length % 2)
        sum += static_cast<uint32_t>(data[length - 1] << 8);
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<uint16_t>(~sum & 0xFFFF);
}

std::optional<QList<EchoResult>> IcmpSocketEcho::trySendMany(const QList<uint32_t> &addresses,
                                                             const QByteArray &payload, int timeoutMs)
{
    const bool raw = m_kind == Kind::Raw;
    QList<EchoResult> results;
    for (qsizetype from = 0; from < addresses.size() || from == 0; from += kMaxPerSocket) {
        UniqueFd fd(::socket(AF_INET, (raw ? SOCK_RAW : SOCK_DGRAM) | SOCK_CLOEXEC | SOCK_NONBLOCK, IPPROTO_ICMP));
        if (!fd.valid() && notPermitted(errno))
            return std::nullopt;
        const QList<uint32_t> part = addresses.mid(from, kMaxPerSocket);
        if (!fd.valid()) {
            results += QList<EchoResult>(part.size(), EchoResult::withStatus(icmpstatus::NoResources));
            continue;
        }
        prepareSocket(fd.get(), raw, part.size());
        if (!part.isEmpty())
            results += runBatch(fd.get(), raw, part, payload, timeoutMs);
    }
    return results;
}

std::optional<EchoResult> IcmpSocketEcho::trySend(uint32_t address, const QByteArray &payload, int timeoutMs)
{
    if (auto results = trySendMany({address}, payload, timeoutMs))
        return results->front();
    return std::nullopt;
}

EchoResult IcmpSocketEcho::send(uint32_t address, const QByteArray &payload, int timeoutMs)
{
    if (auto result = trySend(address, payload, timeoutMs))
        return *result;
    return EchoResult::withStatus(icmpstatus::GeneralFailure);
}

QList<EchoResult> IcmpSocketEcho::sendMany(const QList<uint32_t> &addresses, const QByteArray &payload, int timeoutMs)
{
    if (auto results = trySendMany(addresses, payload, timeoutMs))
        return *results;
    return QList<EchoResult>(addresses.size(), EchoResult::withStatus(icmpstatus::GeneralFailure));
}
