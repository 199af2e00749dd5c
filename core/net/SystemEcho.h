#pragma once

#include "core/net/Echo.h"

// The echo of this system: an ICMP datagram socket where the system permits it, else a raw
// ICMP socket, else the ping command.
class SystemEcho : public Echo {
public:
    enum class Method { None, DatagramSocket, RawSocket, PingCommand };

    EchoResult send(uint32_t address, const QByteArray &payload, int timeoutMs) override;
    QList<EchoResult> sendMany(const QList<uint32_t> &addresses, const QByteArray &payload, int timeoutMs) override;

    // How the last echo went out.
    Method lastMethod() const { return m_lastMethod; }
    // The method's name, for reports.
    static const char *MethodName(Method method);

private:
    Method m_lastMethod = Method::None;
};
