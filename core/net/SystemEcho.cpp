#include "core/net/SystemEcho.h"

#include "core/net/IcmpSocketEcho.h"
#include "core/net/PingCommandEcho.h"

EchoResult SystemEcho::send(uint32_t address, const QByteArray &payload, int timeoutMs)
{
    return sendMany({address}, payload, timeoutMs).front();
}

QList<EchoResult> SystemEcho::sendMany(const QList<uint32_t> &addresses, const QByteArray &payload, int timeoutMs)
{
    IcmpSocketEcho datagram(IcmpSocketEcho::Kind::Datagram);
    if (auto results = datagram.trySendMany(addresses, payload, timeoutMs)) {
        m_lastMethod = Method::DatagramSocket;
        return *results;
    }
    IcmpSocketEcho raw(IcmpSocketEcho::Kind::Raw);
    if (auto results = raw.trySendMany(addresses, payload, timeoutMs)) {
        m_lastMethod = Method::RawSocket;
        return *results;
    }
    m_lastMethod = Method::PingCommand;
    if (addresses.size() == 1)
        return {PingCommandEcho().send(addresses.front(), payload, timeoutMs)};
    return PingCommandEcho().sendMany(addresses, payload, timeoutMs);
}

const char *SystemEcho::MethodName(Method method)
{
    switch (method) {
    case Method::DatagramSocket: return "ICMP datagram socket";
    case Method::RawSocket: return "raw ICMP socket";
    case Method::PingCommand: return "ping command";
    case Method::None: break;
    }
    return "none";
}
