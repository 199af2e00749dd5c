#pragma once

#include <QObject>

class QTimer;

// The wait of a status probe: a timer whose tick ends it, and a nested event loop that keeps
// the program responsive meanwhile, so that socket arrivals, the tick and the user's other
// commands are handled during it. A wait begun inside another shares its flag: the inner tick
// ends both, as one window's single timer does.
class ProbeWait : public QObject {
    Q_OBJECT
public:
    explicit ProbeWait(QObject *parent = nullptr);

    QTimer *timer() const { return m_timer; }
    // 0 to 65535 milliseconds, the range of the timer control; anything else is run-time
    // error 380. A change during a wait restarts the running interval.
    void setInterval(int milliseconds);
    int interval() const;
    bool waiting() const { return m_waiting; }

    // Marks the wait begun and starts the timer.
    void begin();
    // Handles events until the tick, then once more. Returns at once when no wait is begun;
    // safe when this object is destroyed by a handler meanwhile.
    void run();
    // Stops the timer, which otherwise keeps ticking.
    void stop();

private:
    QTimer *m_timer;
    bool m_waiting = false;
};
