#include "core/net/StatusProbe.h"

#include <QPointer>

StatusProbe::StatusProbe(QObject *parent)
    : QObject(parent), m_socket(new SocketControl(this)), m_wait(new ProbeWait(this))
{
    connect(m_socket, &SocketControl::DataArrival, this, &StatusProbe::DataArrival);
}

int32_t StatusProbe::aim(const QString &host, int32_t port)
{
    m_socket->setProtocol(SocketControl::sckUDPProtocol);
    m_socket->setRemoteHost(host);
    m_socket->setRemotePort(port);
    m_socket->Connect();
    return m_socket->State();
}

bool StatusProbe::wait(bool alsoWhenConnecting)
{
    m_wait->begin();
    const int32_t state = m_socket->State();
    if (state != SocketControl::sckOpen && !(alsoWhenConnecting && state == SocketControl::sckConnecting))
        return false;
    const QPointer<StatusProbe> alive(this);
    m_wait->run();
    if (alive)
        m_socket->Close();
    return true;
}
