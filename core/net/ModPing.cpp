#include "core/net/ModPing.h"

#include "core/net/Echo.h"
#include "core/net/Ipv4.h"
#include "core/net/Parallel.h"
#include "core/runtime/MsgBox.h"
#include "core/runtime/RuntimeError.h"
#include "core/runtime/VbConv.h"

#include <netdb.h>
#include <sys/resource.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

namespace {

// What the sockets start-up reports: an error code, the granted version word and the
// number of sockets available.
struct SocketsStartup {
    int error = 0;
    uint16_t version = 0;
    int16_t maxSockets = 0;
};

// The system's sockets need no start-up: they are there, at the version asked for, with as
// many sockets as the process may open descriptors.
SocketsStartup startupSockets(uint16_t requestedVersion)
{
    SocketsStartup startup;
    startup.version = requestedVersion;
    rlimit limit{};
    rlim_t available = std::numeric_limits<int16_t>::max();
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        available = std::min<rlim_t>(limit.rlim_cur, available);
    startup.maxSockets = static_cast<int16_t>(available);
    return startup;
}

int cleanupSockets() { return 0; }

void fillReply(const EchoResult &result, EchoReply &reply)
{
    reply.Address = result.replyAddress;
    reply.Status = result.status;
    reply.RoundTripTime = result.roundTripMs;
    const auto size = std::min<size_t>(static_cast<size_t>(result.data.size()), sizeof(reply.Data));
    reply.DataSize = static_cast<uint16_t>(size);
    std::memcpy(reply.Data, result.data.constData(), size);
    reply.Options.Ttl = result.ttl;
}

struct AddrInfoDeleter {
    void operator()(addrinfo *info) const { ::freeaddrinfo(info); }
};

} // namespace

int32_t EchoRequest(const QString &dottedAddress, EchoReply &reply)
{
    const uint32_t address = DottedToAddress(dottedAddress);
    StartSockets();
    // 0.0.0.0 would reach this computer itself and report a round trip for a host never asked.
    if (address == 0) {
        reply.Status = icmpstatus::BadDestination;
    } else {
        fillReply(echoSeam().send(address, ModPing::kEchoPayload, ModPing::kEchoTimeOutMs), reply);
    }
    StopSockets();
    return icmpstatus::isSuccess(reply.Status) ? static_cast<int32_t>(reply.RoundTripTime) : reply.Status;
}

uint32_t DottedToAddress(const QString &dottedAddress)
{
    const QStringList parts = dottedAddress.split(QLatin1Char('.'));
    if (parts.size() > 4)
        throw RuntimeError(vberr::SubscriptOutOfRange);
    if (parts.size() < 4)
        return 0;
    uint32_t address = 0;
    for (int i = 3; i >= 0; --i) {
        const auto part = static_cast<uint32_t>(vb::CLng(parts[i]));
        address = (address << 8) | (part & 0xFFu);
    }
    return address;
}

namespace {

// The first IPv4 address of a name; safe on any thread.
QString lookUpIpv4(const QString &hostName)
{
    QString dotted;
    const QByteArray name = hostName.toUtf8();
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo *found = nullptr;
    if (!name.isEmpty() && !name.contains('\0') && ::getaddrinfo(name.constData(), nullptr, &hints, &found) == 0) {
        const std::unique_ptr<addrinfo, AddrInfoDeleter> owner(found);
        if (found && found->ai_addr && found->ai_family == AF_INET) {
            const auto *address = reinterpret_cast<const sockaddr_in *>(found->ai_addr);
            dotted = ipv4::toText(ipv4::fromInAddr(address->sin_addr));
        }
    }
    return dotted;
}

// Look-ups mostly wait on the name servers: many of them at once.
constexpr int kParallelLookUps = 16;

} // namespace

QString ResolveHostAddress(const QString &hostName)
{
    if (!StartSockets())
        return {};
    const QString dotted = lookUpIpv4(hostName);
    StopSockets();
    return dotted;
}

QStringList ResolveHostAddresses(const QStringList &hostNames)
{
    if (hostNames.isEmpty() || !StartSockets())
        return QStringList(hostNames.size());
    std::vector<QString> found(static_cast<size_t>(hostNames.size()));
    RunInParallel(hostNames.size(), kParallelLookUps,
                  [&](qsizetype i) { found[static_cast<size_t>(i)] = lookUpIpv4(hostNames[i]); });
    StopSockets();
    return QStringList(found.begin(), found.end());
}

bool StartSockets()
{
    const SocketsStartup startup = startupSockets(ModPing::kSocketsVersion);
    if (startup.error != 0) {
        MsgBox(QStringLiteral("Windows Sockets for 32 bit Windows ") +
               QStringLiteral("environments is not successfully responding."));
        return false;
    }
    const uint8_t major = LowByteOf(startup.version);
    const uint8_t minor = HighByteOf(startup.version);
    if (major < 1 || (major == 1 && minor < 1)) {
        MsgBox(QStringLiteral("Windows Sockets Version ") + QString::number(major) + QLatin1Char('.') +
                   QString::number(minor) + QStringLiteral(" is not supported by Windows ") +
                   QStringLiteral("Sockets for 32 bit Windows environments."),
               MsgButtons::OK, MsgIcon::Exclamation);
        return false;
    }
    if (startup.maxSockets >= ModPing::kMinSockets)
        return true;
    MsgBox(QStringLiteral("This application requires a minimum of ") + QString::number(ModPing::kMinSockets) +
               QStringLiteral(" supported sockets."),
           MsgButtons::OK, MsgIcon::Exclamation);
    return false;
}

bool StopSockets()
{
    const int error = cleanupSockets();
    if (error == 0)
        return true;
    MsgBox(QStringLiteral("Windows Sockets error ") + QString::number(error) + QStringLiteral(" occurred in Cleanup."),
           MsgButtons::OK, MsgIcon::Exclamation);
    return false;
}

uint8_t LowByteOf(uint16_t word) { return static_cast<uint8_t>(word & 0xFFu); }

uint8_t HighByteOf(uint16_t word) { return static_cast<uint8_t>((word / 256) & 0xFFu); }
