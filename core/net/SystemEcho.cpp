#include "core/net/SystemEcho.h"

#include "core/net/IcmpSocketEcho.h"
#include "core/net/PingCommandEcho.h"

EchoResult SystemEcho::send(uint32_t address, const QByteArray &payload, int timeoutMs)
{
    IcmpSocketEcho datagram(IcmpSocketEcho::Kind::Datagram);
    if (auto result = datagram.trySend(address, payload, timeoutMs)) {
        m_lastMethod = Method::DatagramSocket;
        return *result;
    }
    IcmpSocketEcho raw(IcmpSocketEcho::Kind::Raw);
    if (auto result = raw.trySend(address, payload, timeoutMs)) {
        m_lastMethod = Method::RawSocket;
        return *result;
    }
    m_lastMethod = Method::PingCommand;
    return PingCommandEcho().send(address, payload, timeoutMs);
}
