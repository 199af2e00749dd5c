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

bool StatusProbe::wait()
{
    m_wait->begin();
    if (m_socket->State() != SocketControl::sckOpen)
        return false;
    const QPointer<StatusProbe> alive(this);
    m_wait->run();
    if (alive)
        m_socket->Close();
    return true;
}
