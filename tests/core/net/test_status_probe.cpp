// The status probes against real UDP sockets on loopback: one probe with its timer, and many
// probes aimed at once.
#include "core/net/ProbeBatch.h"
#include "core/net/StatusProbe.h"
#include "core/runtime/RuntimeError.h"
#include "tests/core/net/UdpResponder.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QUdpSocket>
#include <QtTest>

class TestStatusProbe : public QObject {
    Q_OBJECT
private slots:
    // The main window's check proves the wait and the arrival; here the interval changes during
    // a wait and takes effect at once, and a socket that could not be aimed is not waited for.
    void oneProbeTakesItsIntervalAtOnce()
    {
        StatusProbe probe;
        UdpResponder server;
        probe.setInterval(20000);
        QCOMPARE(probe.aim("127.0.0.1", server.port()), int32_t(SocketControl::sckOpen));
        QTimer::singleShot(50, this, [&] { probe.setInterval(100); });
        QElapsedTimer clock;
        clock.start();
        QVERIFY(probe.wait());
        QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(probe.socket()->State(), int32_t(SocketControl::sckClosed));
        probe.finish();
        QVERIFY(!probe.timer()->isActive());

        QCOMPARE(probe.aim("no-such-host.invalid", server.port()), int32_t(SocketControl::sckError));
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
        const QList<ProbeTarget> targets{
            answering, quiet, answering, byName, {"no-such-host.invalid", first.port()}, {"127.0.0.1", 0}};
        ProbeBatch batch;
        bool nestedRefused = false;
        quint16 quietPort = 0;
        connect(&batch, &ProbeBatch::aimed, this, [&] {
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
        const qint64 took = clock.elapsed();
        QVERIFY(answers.has_value());
        QCOMPARE(*answers, (QList<bool>{true, false, true, true, false, false}));
        QVERIFY2(took >= 495 && took < 1500, qPrintable(QString::number(took)));
        QVERIFY(nestedRefused && quietPort != 0);
        QCOMPARE(batch.localPort(answering), quint16(0));
        QVERIFY(!batch.waiting());

        // Nothing to aim, nothing to wait for.
        clock.restart();
        QCOMPARE(*batch.probe({{"no-such-host.invalid", 2346}}, 5000), QList<bool>{false});
        QVERIFY(clock.elapsed() < 4000);
    }
};

QTEST_MAIN(TestStatusProbe)
#include "test_status_probe.moc"
