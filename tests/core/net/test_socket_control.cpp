// The probe socket against real sockets on loopback: a UDP responder, a TCP listener.
#include "core/net/SocketControl.h"
#include "tests/core/net/UdpResponder.h"
#include "tests/support/ProgramState.h"

#include <QHostAddress>
#include <QSignalSpy>
#include <QTcpServer>
#include <QThread>
#include <QUdpSocket>
#include <QtTest>

namespace {

const QHostAddress kLoopback(QHostAddress::LocalHost);

void aim(SocketControl &control, int32_t protocol, const QString &host, int32_t port)
{
    control.setProtocol(protocol);
    control.setRemoteHost(host);
    control.setRemotePort(port);
    control.Connect();
}

} // namespace

class TestSocketControl : public IsolatedTest {
    Q_OBJECT
private slots:
    // Datagrams from the probed server arrive on this thread, others' do not; the server list
    // closes the socket from its data-arrival handler, after which nothing more arrives.
    void datagramsFromTheProbedServerArrive()
    {
        UdpResponder server;
        SocketControl control;
        QList<int> sizes;
        QList<QThread *> threads;
        connect(&control, &SocketControl::DataArrival, this, [&](int bytes) {
            sizes.append(bytes);
            threads.append(QThread::currentThread());
            if (sizes.size() == 2)
                control.Close();
        });

        aim(control, SocketControl::sckUDPProtocol, "127.0.0.1", server.port());
        QCOMPARE(control.State(), 1);
        const quint16 port = control.LocalPort();
        QVERIFY(port != 0);

        // The control itself sends nothing.
        QTest::qWait(50);
        QVERIFY(!server.socket.hasPendingDatagrams());

        QUdpSocket stranger;
        stranger.bind(kLoopback, 0);
        stranger.writeDatagram("not you", kLoopback, port);
        for (const char *datagram : {"hello", "abc", "more"})
            server.socket.writeDatagram(datagram, kLoopback, port);
        QTRY_COMPARE(sizes, (QList<int>{5, 3}));
        QCOMPARE(threads, (QList<QThread *>{thread(), thread()}));
        QCOMPARE(control.State(), 0);
        QTest::qWait(50);
        QCOMPARE(sizes.size(), 2);
    }

    // Closed, open, error (no host) and connecting (TCP) before Close.
    void closeFromEveryState()
    {
        for (int state : {0, 1, 9, 6}) {
            SocketControl control;
            if (state != 0)
                aim(control, state == 6 ? SocketControl::sckTCPProtocol : SocketControl::sckUDPProtocol,
                    state == 9 ? QString() : "127.0.0.1", 2346);
            QCOMPARE(control.State(), state);
            control.Close();
            QCOMPARE(control.State(), 0);
            QCOMPARE(control.LocalPort(), quint16(0));
            control.Close();
            QCOMPARE(control.State(), 0);
        }
    }

    // A connected TCP probe is closed from the data-arrival handler too.
    void closeInsideDataArrival()
    {
        SocketControl control;
        int arrivals = 0;
        connect(&control, &SocketControl::DataArrival, this, [&](int) {
            ++arrivals;
            control.Close();
        });
        QTcpServer listener;
        QVERIFY(listener.listen(kLoopback));
        aim(control, SocketControl::sckTCPProtocol, "127.0.0.1", listener.serverPort());
        QCOMPARE(control.State(), 6);
        QTRY_COMPARE(control.State(), 7);
        QTRY_VERIFY(listener.hasPendingConnections());
        QTcpSocket *peer = listener.nextPendingConnection();
        peer->write("status");
        QTRY_COMPARE(arrivals, 1);
        QCOMPARE(control.State(), 0);
    }
};

QTEST_GUILESS_MAIN(TestSocketControl)
#include "test_socket_control.moc"
