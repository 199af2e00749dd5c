#pragma once

#include <QHostAddress>
#include <QUdpSocket>

// A UDP socket on loopback that plays a probed game server.
struct UdpResponder {
    QUdpSocket socket;
    UdpResponder() { socket.bind(QHostAddress::LocalHost, 0); }
    quint16 port() const { return socket.localPort(); }
    void answer(quint16 probePort) { socket.writeDatagram("hello", QHostAddress::LocalHost, probePort); }
};
