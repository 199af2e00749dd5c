#include "core/net/PingServer.h"

#include "core/net/Echo.h"
#include "core/net/ModPing.h"
#include "core/runtime/ErrorTrap.h"
#include "core/runtime/VbConv.h"

#include <QHash>

#include <algorithm>

namespace {

const QString kContext = QStringLiteral("Error in PingServer ");

// Only a successful echo has a round trip to show; every failure means the server is offline.
QString pingText(int32_t status, uint32_t roundTripMs)
{
    const bool offline = !icmpstatus::isSuccess(status) || roundTripMs == ModPing::kOfflineRoundTrip;
    return offline ? QStringLiteral("Offline") : QString::number(roundTripMs) + QStringLiteral("ms");
}

// The text to ping: a dotted address as typed, a name (without the blanks typed around it)
// looked up.
QList<QString> pingTargets(const QStringList &addresses)
{
    QList<QString> targets(addresses.size());
    QStringList names;
    for (qsizetype i = 0; i < addresses.size(); ++i) {
        if (IsDottedText(addresses[i]))
            targets[i] = addresses[i];
        else if (!names.contains(vb::Trim(addresses[i])))
            names.append(vb::Trim(addresses[i]));
    }
    const QStringList found = ResolveHostAddresses(names);
    for (qsizetype i = 0; i < addresses.size(); ++i) {
        if (!IsDottedText(addresses[i]))
            targets[i] = found[names.indexOf(vb::Trim(addresses[i]))];
    }
    return targets;
}

// One echo per distinct address that converts to a host; 0.0.0.0 would reach this computer.
QHash<uint32_t, EchoResult> echoAll(const QList<std::optional<uint32_t>> &converted)
{
    QList<uint32_t> distinct;
    for (const auto &address : converted) {
        if (address && *address != 0 && !distinct.contains(*address))
            distinct.append(*address);
    }
    QHash<uint32_t, EchoResult> replies;
    replies.insert(0, EchoResult::withStatus(icmpstatus::BadDestination));
    if (distinct.isEmpty())
        return replies;
    StartSockets();
    const QList<EchoResult> results = echoSeam().sendMany(distinct, ModPing::kEchoPayload, ModPing::kEchoTimeOutMs);
    StopSockets();
    for (qsizetype i = 0; i < distinct.size(); ++i)
        replies.insert(distinct[i], results.value(i));
    return replies;
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
    Trap(kContext, ErrLayout::NumberFirst, [&] {
        // A blank typed around a name is no part of it.
        const QString target = IsDottedText(address) ? address : ResolveHostAddress(vb::Trim(address));
        EchoReply reply;
        EchoRequest(target, reply);
        result = pingText(reply.Status, reply.RoundTripTime);
        pingedAddress = target;
    });
    return result;
}

QList<PingOutcome> PingServers(const QStringList &addresses)
{
    const QList<QString> targets = pingTargets(addresses);
    // Converted in order, so that the error messages come as one call after another shows them.
    QList<std::optional<uint32_t>> converted(targets.size());
    for (qsizetype i = 0; i < targets.size(); ++i)
        Trap(kContext, ErrLayout::NumberFirst, [&] { converted[i] = DottedToAddress(targets[i]); });
    const QHash<uint32_t, EchoResult> replies = echoAll(converted);
    QList<PingOutcome> outcomes(targets.size());
    for (qsizetype i = 0; i < targets.size(); ++i) {
        if (!converted[i])
            continue;
        const EchoResult reply = replies.value(*converted[i]);
        outcomes[i] = PingOutcome{pingText(reply.status, reply.roundTripMs), targets[i]};
    }
    return outcomes;
}
