// The probe socket, one status probe with its timer, and many probes aimed at once, against UDP
// responders on loopback that play game servers.
#include "core/net/ProbeBatch.h"
#include "core/net/SocketControl.h"
#include "core/net/StatusProbe.h"
#include "core/runtime/RuntimeError.h"
#include "tests/core/net/UdpResponder.h"
#include "tests/support/ProgramState.h"

#include <QElapsedTimer>
#include <QtTest>

// A name that fails to resolve without asking a name server: the look-up refuses a NUL.
const QString kUnresolvable = QStringLiteral("no-such-host") + QChar(0);

class TestProbe : public IsolatedTest {
    Q_OBJECT
private slots:
    // Datagrams from the probed server arrive (others' are the batch's case); the server list
    // closes the socket from its data-arrival handler, after which nothing more arrives.
    void datagramsFromTheProbedServerArrive()
    {
        UdpResponder server;
        SocketControl control;
        QList<int> sizes;
        connect(&control, &SocketControl::DataArrival, this, [&](int bytes) {
            sizes.append(bytes);
            if (sizes.size() == 2)
                control.Close();
        });

        control.setRemoteHost("127.0.0.1");
        control.setRemotePort(server.port());
        control.Connect();
        const quint16 port = control.LocalPort();

        for (const char *datagram : {"hello", "abc", "more"})
            server.socket.writeDatagram(datagram, QHostAddress::LocalHost, port);
        QTRY_COMPARE(sizes, (QList<int>{5, 3}));
        QCOMPARE(control.State(), int32_t(SocketControl::sckClosed));
        QTest::qWait(50);
        QCOMPARE(sizes.size(), 2);
    }

    // The main window's check proves the wait and the arrival; a socket that could not be aimed
    // is not waited for, and the wait's interval must fit the classic control's range.
    void probeThatCannotAimIsNotWaitedFor()
    {
        StatusProbe probe;
        QCOMPARE(probe.aim(QString(), 2346), int32_t(SocketControl::sckError));
        QVERIFY(!probe.wait());
        QVERIFY_THROWS_EXCEPTION(RuntimeError, probe.setInterval(65536));
        QVERIFY_THROWS_EXCEPTION(RuntimeError, probe.setInterval(-1));
    }

    // One socket per distinct target; each answer counts for its own target only.
    void manyProbesAtOnce()
    {
        UdpResponder first, second, silent, stranger;
        const ProbeTarget answering{"127.0.0.1", first.port()};
        const ProbeTarget byName{"localhost", second.port()};
        const ProbeTarget quiet{"127.0.0.1", silent.port()};
        const QList<ProbeTarget> targets{answering, quiet, answering, byName, {kUnresolvable, 1}, {"127.0.0.1", 0}};
        ProbeBatch batch;
        bool nestedRefused = false;
        quint16 quietPort = 0;
        int timesAimed = 0;
        connect(&batch, &ProbeBatch::aimed, this, [&] {
            ++timesAimed;
            first.answer(batch.localPort(answering));
            second.answer(batch.localPort(byName));
            // Somebody else than the probed server is no answer.
            quietPort = batch.localPort(quiet);
            stranger.answer(quietPort);
            nestedRefused = !batch.probe(targets, 100).has_value();
        });
        QElapsedTimer clock;
        clock.start();
        const auto answers = batch.probe(targets, 500);
        // The wait lasts the whole time-out, whatever answered.
        QVERIFY2(clock.elapsed() >= 495, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(answers.has_value());
        QCOMPARE(*answers, (QList<bool>{true, false, true, true, false, false}));
        QVERIFY(nestedRefused && quietPort != 0);
        QCOMPARE(batch.localPort(answering), quint16(0));
        QVERIFY(!batch.waiting());

        // Nothing to aim, nothing to wait for.
        QCOMPARE(*batch.probe({{kUnresolvable, 2346}}, 5000), QList<bool>{false});
        QCOMPARE(timesAimed, 1);
    }
};

QTEST_GUILESS_MAIN(TestProbe)
#include "test_probe.moc"
