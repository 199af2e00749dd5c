#pragma once

#include "core/net/ProbeWait.h"
#include "core/net/SocketControl.h"

#include <QObject>

class QTimer;

// A window's status probe: its socket control (`SckServer`) and its timer (`SocketTimer`).
// A probe aims the socket at a server for datagrams, waits one time-out while events keep
// flowing, and closes the socket; data that arrives on the socket meanwhile is reported by
// DataArrival. Nothing is ever sent. The caller runs the steps in its own order:
// aim, [its own steps], wait, [its own steps], finish.
class StatusProbe : public QObject {
    Q_OBJECT
public:
    explicit StatusProbe(QObject *parent = nullptr);

    SocketControl *socket() const { return m_socket; }
    QTimer *timer() const { return m_wait->timer(); }
    // The socket time-out, 0 to 65535 milliseconds (else run-time error 380); it may be
    // changed at any time, during a wait too.
    void setInterval(int milliseconds) { m_wait->setInterval(milliseconds); }
    int interval() const { return m_wait->interval(); }
    bool waiting() const { return m_wait->waiting(); }

    // Sets the socket to datagrams, aims it at host and port and connects; returns the
    // socket's state afterwards (open, or error for a host that does not resolve).
    int32_t aim(const QString &host, int32_t port);
    // Begins the wait and starts the timer. When the socket is open, handles events until the
    // tick, once more, and closes the socket; in any other state returns at once. Returns
    // whether it waited.
    bool wait();
    // Ends the probe: the timer stops ticking.
    void finish() { m_wait->stop(); }

signals:
    void DataArrival(int bytesTotal);

private:
    SocketControl *m_socket;
    ProbeWait *m_wait;
};
