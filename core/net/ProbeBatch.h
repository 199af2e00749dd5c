#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>

#include <cstdint>
#include <optional>

class ProbeWait;
class SocketControl;

// Where one status probe aims: the host text and the port.
struct ProbeTarget {
    QString host;
    int32_t port = 0;
    friend bool operator==(const ProbeTarget &, const ProbeTarget &) = default;
};
size_t qHash(const ProbeTarget &target, size_t seed = 0) noexcept;

// Many status probes at once: one datagram socket per distinct target, all aimed together,
// one wait of the time-out while events keep flowing, then every socket closed. A socket
// takes datagrams from its own target only, and nothing is ever sent. Host names are looked
// up in parallel before any socket is aimed.
class ProbeBatch : public QObject {
    Q_OBJECT
public:
    explicit ProbeBatch(QObject *parent = nullptr);
    ~ProbeBatch() override;

    // For each target given, whether data arrived on its socket during the wait. A target that
    // cannot be aimed (a host that does not resolve, port 0, no socket to be had) has no answer;
    // with no socket aimed there is no wait. Nothing while another probe of this batch waits,
    // or when this object is destroyed during the wait.
    std::optional<QList<bool>> probe(const QList<ProbeTarget> &targets, int timeoutMs);

    bool waiting() const;
    // While a probe waits: the local port of the socket aimed at the target, else 0.
    quint16 localPort(const ProbeTarget &target) const;

signals:
    // Every socket of the probe is aimed and the wait begins.
    void aimed();

private:
    void aimAll(const QList<ProbeTarget> &distinct);
    void closeAll();

    ProbeWait *m_wait;
    QHash<ProbeTarget, SocketControl *> m_sockets;
    QSet<ProbeTarget> m_answered;
};
