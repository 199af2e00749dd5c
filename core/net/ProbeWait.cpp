#include "core/net/ProbeWait.h"

#include "core/runtime/RuntimeError.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTimer>

ProbeWait::ProbeWait(QObject *parent) : QObject(parent), m_timer(new QTimer(this))
{
    m_timer->setTimerType(Qt::PreciseTimer);
    m_timer->setInterval(1000);
    connect(m_timer, &QTimer::timeout, this, [this] { m_waiting = false; });
}

void ProbeWait::setInterval(int milliseconds)
{
    if (milliseconds < 0 || milliseconds > 65535)
        throw RuntimeError(vberr::InvalidPropertyValue);
    m_timer->setInterval(milliseconds);
}

int ProbeWait::interval() const { return m_timer->interval(); }

void ProbeWait::begin()
{
    m_waiting = true;
    m_timer->start();
}

void ProbeWait::run()
{
    const QPointer<ProbeWait> alive(this);
    while (alive && m_waiting)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QCoreApplication::processEvents();
}

void ProbeWait::stop() { m_timer->stop(); }
