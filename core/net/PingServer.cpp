#include "core/net/PingServer.h"

#include "core/net/Echo.h"
#include "core/net/ModPing.h"
#include "core/runtime/ErrorTrap.h"
#include "core/runtime/VbConv.h"

#include <algorithm>

namespace {

// Only a successful echo has a round trip to show; every failure means the server is offline.
bool isOffline(const EchoReply &reply)
{
    return !icmpstatus::isSuccess(reply.Status) || reply.RoundTripTime == ModPing::kOfflineRoundTrip;
}

} // namespace

bool IsDottedText(const QString &address)
{
    return std::all_of(address.begin(), address.end(), [](QChar c) {
        return c == QLatin1Char('.') || c == QLatin1Char(' ') || (c >= QLatin1Char('0') && c <= QLatin1Char('9'));
    });
}

QString PingServer(const QString &address, QString &pingedAddress)
{
    QString result;
    Trap(QStringLiteral("Error in PingServer "), ErrLayout::NumberFirst, [&] {
        // A blank typed around a name is no part of it.
        const QString target = IsDottedText(address) ? address : ResolveHostAddress(vb::Trim(address));
        EchoReply reply;
        EchoRequest(target, reply);
        result = isOffline(reply) ? QStringLiteral("Offline")
                                  : QString::number(reply.RoundTripTime) + QStringLiteral("ms");
        pingedAddress = target;
    });
    return result;
}
