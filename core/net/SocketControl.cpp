#include "core/net/SocketControl.h"

#include "core/net/LocalAddress.h"
#include "core/runtime/RuntimeError.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QTcpSocket>
#include <QUdpSocket>

namespace {

QHostAddress resolveIpv4(const QString &host)
{
    QHostAddress address;
    if (address.setAddress(host))
        return address.protocol() == QAbstractSocket::IPv4Protocol ? address : QHostAddress();
    if (host.isEmpty())
        return {};
    const auto found = QHostInfo::fromName(host).addresses();
    for (const QHostAddress &candidate : found) {
        if (candidate.protocol() == QAbstractSocket::IPv4Protocol)
            return candidate;
    }
    return {};
}

} // namespace

SocketControl::SocketControl(QObject *parent) : QObject(parent) {}

SocketControl::~SocketControl() { release(); }

void SocketControl::setProtocol(int32_t protocol)
{
    if (protocol != sckTCPProtocol && protocol != sckUDPProtocol)
        throw RuntimeError(vberr::InvalidPropertyValue);
    m_protocol = protocol;
}

void SocketControl::setRemotePort(int32_t port)
{
    if (port < 0 || port > 65535)
        throw RuntimeError(vberr::InvalidPropertyValue);
    m_remotePort = port;
}

QString SocketControl::LocalIP() const { return LocalIPAddress(); }

uint16_t SocketControl::LocalPort() const { return m_socket ? m_socket->localPort() : 0; }

void SocketControl::Connect()
{
    release();
    if (m_protocol == sckUDPProtocol)
        connectDatagram();
    else
        connectStream();
}

void SocketControl::Close()
{
    release();
    m_state = sckClosed;
}

void SocketControl::connectDatagram()
{
    const QHostAddress remote = resolveIpv4(m_remoteHost);
    if (remote.isNull() || m_remotePort == 0) {
        m_state = sckError;
        return;
    }
    auto *udp = new QUdpSocket(this);
    m_socket = udp;
    connect(udp, &QUdpSocket::readyRead, this, &SocketControl::onUdpReadyRead);
    // Connected, the socket takes datagrams from the probed host and port only.
    udp->connectToHost(remote, static_cast<quint16>(m_remotePort));
    m_state = udp->state() == QAbstractSocket::ConnectedState ? sckOpen : sckError;
}

void SocketControl::connectStream()
{
    auto *tcp = new QTcpSocket(this);
    m_socket = tcp;
    connect(tcp, &QTcpSocket::connected, this, [this] { m_state = sckConnected; });
    connect(tcp, &QTcpSocket::disconnected, this, [this] { m_state = sckClosing; });
    connect(tcp, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError error) {
        if (error != QAbstractSocket::RemoteHostClosedError)
            m_state = sckError;
    });
    connect(tcp, &QTcpSocket::readyRead, this, &SocketControl::onTcpReadyRead);
    m_state = sckConnecting;
    tcp->connectToHost(m_remoteHost, static_cast<quint16>(m_remotePort));
}

void SocketControl::onUdpReadyRead()
{
    // A handler may close the control while we are still here; stop as soon as it does.
    auto *udp = qobject_cast<QUdpSocket *>(m_socket);
    while (udp && m_socket == udp && udp->hasPendingDatagrams()) {
        const qint64 size = udp->pendingDatagramSize();
        udp->readDatagram(nullptr, 0);
        if (size >= 0)
            emit DataArrival(static_cast<int>(size));
    }
}

void SocketControl::onTcpReadyRead()
{
    QAbstractSocket *tcp = m_socket;
    const qint64 size = tcp ? tcp->bytesAvailable() : 0;
    if (size <= 0)
        return;
    tcp->readAll();
    emit DataArrival(static_cast<int>(size));
}

void SocketControl::release()
{
    if (!m_socket)
        return;
    QAbstractSocket *socket = m_socket;
    m_socket = nullptr;
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
}
