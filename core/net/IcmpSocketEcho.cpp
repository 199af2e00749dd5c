#include "core/net/IcmpSocketEcho.h"

#include "core/net/Ipv4.h"
#include "core/net/UniqueFd.h"

#include <QRandomGenerator>

#include <arpa/inet.h>
#include <linux/errqueue.h>
#include <netinet/in.h>
#include <netinet/ip.h>
#include <netinet/ip_icmp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>

using Clock = std::chrono::steady_clock;

namespace {

constexpr size_t kIcmpHeader = 8;

// What identifies our request among everything else the socket may see.
struct Pending {
    uint32_t target = 0;
    uint16_t id = 0;
    uint16_t sequence = 0;
    Clock::time_point sent;
};

std::atomic<uint16_t> nextSequence{1};

uint16_t rawIdentifier()
{
    static const uint16_t id = static_cast<uint16_t>(
        (static_cast<uint32_t>(::getpid()) ^ QRandomGenerator::system()->generate()) & 0xFFFFu);
    return id;
}

bool notPermitted(int error)
{
    return error == EACCES || error == EPERM || error == EPROTONOSUPPORT || error == ESOCKTNOSUPPORT ||
           error == EAFNOSUPPORT;
}

uint16_t readBe16(const unsigned char *p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }

EchoResult failure(int32_t status)
{
    EchoResult result;
    result.status = status;
    return result;
}

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

// An ICMP error quoting our request: the original IP header and the first 8 bytes of our echo.
std::optional<int32_t> matchError(const unsigned char *icmp, size_t length, const Pending &pending)
{
    const int type = icmp[0];
    if (type != ICMP_DEST_UNREACH && type != ICMP_TIME_EXCEEDED && type != ICMP_PARAMETERPROB &&
        type != ICMP_SOURCE_QUENCH)
        return std::nullopt;
    if (length < kIcmpHeader + sizeof(iphdr))
        return std::nullopt;
    const unsigned char *inner = icmp + kIcmpHeader;
    const size_t innerHeader = static_cast<size_t>(inner[0] & 0x0F) * 4;
    if (innerHeader < sizeof(iphdr) || length < kIcmpHeader + innerHeader + kIcmpHeader)
        return std::nullopt;
    in_addr innerDestination{};
    std::memcpy(&innerDestination.s_addr, inner + 16, 4);
    const unsigned char *quoted = inner + innerHeader;
    if (inner[9] != IPPROTO_ICMP || ipv4::fromInAddr(innerDestination) != pending.target || quoted[0] != ICMP_ECHO ||
        readBe16(quoted + 4) != pending.id || readBe16(quoted + 6) != pending.sequence)
        return std::nullopt;
    return icmpstatus::fromIcmpError(type, icmp[1]);
}

// Our reply, or an error about our request; anything else is somebody else's traffic.
std::optional<EchoResult> matchIcmp(const unsigned char *icmp, size_t length, uint32_t from, const Pending &pending)
{
    if (length < kIcmpHeader)
        return std::nullopt;
    if (icmp[0] == ICMP_ECHOREPLY) {
        if (icmp[1] != 0 || from != pending.target || readBe16(icmp + 4) != pending.id ||
            readBe16(icmp + 6) != pending.sequence)
            return std::nullopt;
        EchoResult result;
        result.status = icmpstatus::Success;
        result.roundTripMs = elapsedMs(pending.sent);
        result.replyAddress = from;
        result.data = QByteArray(reinterpret_cast<const char *>(icmp + kIcmpHeader),
                                 static_cast<qsizetype>(length - kIcmpHeader));
        return result;
    }
    if (const auto status = matchError(icmp, length, pending)) {
        EchoResult result;
        result.status = *status;
        result.replyAddress = from;
        return result;
    }
    return std::nullopt;
}

// A raw socket hands over the IP header too; a datagram socket only the ICMP message.
std::optional<EchoResult> matchPacket(const unsigned char *packet, size_t length, uint32_t from, bool raw,
                                      const Pending &pending)
{
    if (!raw)
        return matchIcmp(packet, length, from, pending);
    if (length < sizeof(iphdr))
        return std::nullopt;
    const size_t header = static_cast<size_t>(packet[0] & 0x0F) * 4;
    if (header < sizeof(iphdr) || length < header)
        return std::nullopt;
    auto result = matchIcmp(packet + header, length - header, from, pending);
    if (result)
        result->ttl = packet[8];
    return result;
}

// Reads what is queued, a bounded number at a time so that a flood cannot hold the wait
// past its deadline.
std::optional<EchoResult> drainIncoming(int fd, bool raw, const Pending &pending)
{
    unsigned char buffer[2048];
    for (int i = 0; i < 64; ++i) {
        sockaddr_in from{};
        socklen_t fromLength = sizeof(from);
        const ssize_t n = ::recvfrom(fd, buffer, sizeof(buffer), 0, reinterpret_cast<sockaddr *>(&from), &fromLength);
        if (n < 0)
            return std::nullopt;
        if (auto result = matchPacket(buffer, static_cast<size_t>(n), ipv4::fromInAddr(from.sin_addr), raw, pending))
            return result;
    }
    return std::nullopt;
}

// A datagram socket with IP_RECVERR queues ICMP errors about its requests; the queued data
// is our own echo header, so the sequence number tells whether it is this request's.
std::optional<EchoResult> drainErrors(int fd, const Pending &pending)
{
    for (int i = 0; i < 64; ++i) {
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
            return std::nullopt;
        if (n < static_cast<ssize_t>(kIcmpHeader) || data[0] != ICMP_ECHO || readBe16(data + 6) != pending.sequence ||
            ipv4::fromInAddr(destination.sin_addr) != pending.target)
            continue;
        for (cmsghdr *c = CMSG_FIRSTHDR(&message); c; c = CMSG_NXTHDR(&message, c)) {
            if (c->cmsg_level != SOL_IP || c->cmsg_type != IP_RECVERR)
                continue;
            sock_extended_err error{};
            std::memcpy(&error, CMSG_DATA(c), sizeof(error));
            EchoResult result;
            result.status = error.ee_origin == SO_EE_ORIGIN_ICMP
                                ? icmpstatus::fromIcmpError(error.ee_type, error.ee_code)
                                : icmpstatus::fromSendErrno(static_cast<int>(error.ee_errno));
            return result;
        }
    }
    return std::nullopt;
}

// Clears a pending socket error that no queued entry explains, so the wait does not spin on it.
void clearSocketError(int fd)
{
    int error = 0;
    socklen_t length = sizeof(error);
    ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length);
}

EchoResult awaitReply(int fd, bool raw, const Pending &pending, Clock::time_point deadline)
{
    for (;;) {
        const auto now = Clock::now();
        if (now >= deadline)
            return failure(icmpstatus::ReqTimedOut);
        const auto remaining = std::chrono::duration_cast<std::chrono::nanoseconds>(deadline - now);
        constexpr int64_t kNanosPerSecond = 1000000000;
        timespec wait{static_cast<time_t>(remaining.count() / kNanosPerSecond),
                      static_cast<long>(remaining.count() % kNanosPerSecond)};
        pollfd poller{fd, POLLIN, 0};
        const int ready = ::ppoll(&poller, 1, &wait, nullptr);
        if (ready < 0 && errno != EINTR)
            return failure(icmpstatus::GeneralFailure);
        if (ready <= 0)
            continue;
        if (poller.revents & POLLERR) {
            if (auto result = drainErrors(fd, pending))
                return *result;
            clearSocketError(fd);
        }
        if (poller.revents & POLLIN) {
            if (auto result = drainIncoming(fd, raw, pending))
                return *result;
        }
    }
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

std::optional<EchoResult> IcmpSocketEcho::trySend(uint32_t address, const QByteArray &payload, int timeoutMs)
{
    const bool raw = m_kind == Kind::Raw;
    UniqueFd fd(::socket(AF_INET, (raw ? SOCK_RAW : SOCK_DGRAM) | SOCK_CLOEXEC | SOCK_NONBLOCK, IPPROTO_ICMP));
    if (!fd.valid()) {
        if (notPermitted(errno))
            return std::nullopt;
        return failure(icmpstatus::NoResources);
    }
    if (!raw) {
        const int on = 1;
        ::setsockopt(fd.get(), SOL_IP, IP_RECVERR, &on, sizeof(on));
    }
    Pending pending;
    pending.target = address;
    pending.id = raw ? rawIdentifier() : 0;
    pending.sequence = nextSequence.fetch_add(1);
    const QByteArray packet = buildRequest(pending.id, pending.sequence, payload);
    sockaddr_in destination{};
    destination.sin_family = AF_INET;
    destination.sin_addr = ipv4::toInAddr(address);

    pending.sent = Clock::now();
    const auto deadline = pending.sent + std::chrono::milliseconds(timeoutMs);
    if (::sendto(fd.get(), packet.constData(), static_cast<size_t>(packet.size()), 0,
                 reinterpret_cast<const sockaddr *>(&destination), sizeof(destination)) < 0)
        return failure(icmpstatus::fromSendErrno(errno));
    if (!raw) {
        // The kernel puts the socket's own number into the identifier field.
        sockaddr_in local{};
        socklen_t localLength = sizeof(local);
        if (::getsockname(fd.get(), reinterpret_cast<sockaddr *>(&local), &localLength) < 0)
            return failure(icmpstatus::GeneralFailure);
        pending.id = ntohs(local.sin_port);
    }
    return awaitReply(fd.get(), raw, pending, deadline);
}

EchoResult IcmpSocketEcho::send(uint32_t address, const QByteArray &payload, int timeoutMs)
{
    if (auto result = trySend(address, payload, timeoutMs))
        return *result;
    return failure(icmpstatus::GeneralFailure);
}
