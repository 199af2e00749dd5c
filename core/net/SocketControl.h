#pragma once

#include <QObject>
#include <QString>

#include <cstdint>

class QAbstractSocket;

// The probe socket of a window: aimed at a remote host and port, it reports every datagram
// (or, over TCP, every batch of data) that arrives, with its size. It never sends anything.
// Signals come on the thread that owns the control.
class SocketControl : public QObject {
    Q_OBJECT
public:
    enum ProtocolConstants : int32_t { sckTCPProtocol = 0, sckUDPProtocol = 1 };
    enum StateConstants : int32_t {
        sckClosed = 0,
        sckOpen = 1,
        sckListening = 2,
        sckConnectionPending = 3,
        sckResolvingHost = 4,
        sckHostResolved = 5,
        sckConnecting = 6,
        sckConnected = 7,
        sckClosing = 8,
        sckError = 9,
    };

    explicit SocketControl(QObject *parent = nullptr);
    ~SocketControl() override;

    int32_t Protocol() const { return m_protocol; }
    // 0 (TCP) or 1 (UDP); anything else is run-time error 380.
    void setProtocol(int32_t protocol);
    QString RemoteHost() const { return m_remoteHost; }
    void setRemoteHost(const QString &host) { m_remoteHost = host; }
    int32_t RemotePort() const { return m_remotePort; }
    // 0 to 65535; anything else is run-time error 380.
    void setRemotePort(int32_t port);

    // This computer's address, available at any time.
    QString LocalIP() const;
    // The port the open socket listens on, 0 when closed.
    uint16_t LocalPort() const;
    int32_t State() const { return m_state; }

    // Readies the socket for the remote host and port that were set: a datagram socket is
    // open (1) at once; a TCP socket is connecting (6) and later connected (7). A host that
    // cannot be resolved leaves the state at error (9).
    void Connect();
    // Returns the socket to closed from any state.
    void Close();

signals:
    void DataArrival(int bytesTotal);

private:
    void connectDatagram();
    void connectStream();
    void onUdpReadyRead();
    void onTcpReadyRead();
    void release();

    int32_t m_protocol = sckUDPProtocol;
    QString m_remoteHost;
    int32_t m_remotePort = 0;
    int32_t m_state = sckClosed;
    QAbstractSocket *m_socket = nullptr;
};
