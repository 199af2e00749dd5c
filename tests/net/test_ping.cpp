// PingServer and the address conversion, against the real echo on loopback and against a
// recording echo where a test must prove that nothing was sent.
#include "RecordingEcho.h"

#include "net/PingCommandEcho.h"
#include "net/PingServer.h"
#include "settings/MsgBox.h"

#include <QRegularExpression>
#include <QtTest>

namespace {

EchoResult answer(int32_t status, uint32_t roundTrip)
{
    EchoResult result;
    result.status = status;
    result.roundTripMs = roundTrip;
    return result;
}

const QRegularExpression kRoundTrip(QStringLiteral("^\\d+ms$"));

} // namespace

class TestPing : public QObject {
    Q_OBJECT
private slots:
    void loopbackAnswers();
    void pingCommandAnswers();
    void malformedAddresses_data();
    void malformedAddresses();
    void replyToText_data();
    void replyToText();
    void namesAreResolved_data();
    void namesAreResolved();
};

void TestPing::loopbackAnswers()
{
    ScriptedMessageBox boxes;
    QString pinged = QStringLiteral("untouched");
    QVERIFY2(PingServer(QStringLiteral("127.0.0.1"), pinged).contains(kRoundTrip), "127.0.0.1 did not answer");
    QCOMPARE(pinged, QStringLiteral("127.0.0.1"));

    pinged.clear();
    QVERIFY(PingServer(QStringLiteral("localhost"), pinged).contains(kRoundTrip));
    QCOMPARE(pinged, QStringLiteral("127.0.0.1"));
    QCOMPARE(boxes.texts(), QStringList());
}

void TestPing::pingCommandAnswers()
{
    PingCommandEcho command;
    ScopedEcho installed(command);
    QString pinged;
    const QString text = PingServer(QStringLiteral("127.0.0.1"), pinged);
    QVERIFY2(text.contains(kRoundTrip), qPrintable(text));
    QCOMPARE(pinged, QStringLiteral("127.0.0.1"));
}

void TestPing::malformedAddresses_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("result");
    QTest::addColumn<QString>("slot");
    QTest::addColumn<QString>("message");

    const QString untouched = QStringLiteral("untouched");
    QTest::newRow("five parts") << "1.2.3.4.5" << "" << untouched << "Error in PingServer 9 Subscript out of range";
    QTest::newRow("empty part") << "1..3.4" << "" << untouched << "Error in PingServer 13 Type mismatch";
    QTest::newRow("three parts") << "1.2.3" << "Offline" << "1.2.3" << "";
    QTest::newRow("empty text") << "" << "Offline" << "" << "";
    QTest::newRow("all zero") << "0.0.0.0" << "Offline" << "0.0.0.0" << "";
    QTest::newRow("zero by wrap") << "256.512.0.768" << "Offline" << "256.512.0.768" << "";
}

// None of these may reach the network: a bad address is reported, one that converts to 0
// would otherwise ping this computer itself.
void TestPing::malformedAddresses()
{
    QFETCH(QString, address);
    QFETCH(QString, result);
    QFETCH(QString, slot);
    QFETCH(QString, message);
    ScriptedMessageBox boxes;
    RecordingEcho echo(answer(0, 1));
    QString pinged = QStringLiteral("untouched");
    QCOMPARE(PingServer(address, pinged), result);
    QCOMPARE(pinged, slot);
    QCOMPARE(echo.requests().size(), 0);
    QCOMPARE(boxes.texts(), message.isEmpty() ? QStringList() : QStringList{message});
    if (!message.isEmpty()) {
        QCOMPARE(boxes.shown().first().title, QStringLiteral("Skirmdeck"));
        QCOMPARE(boxes.shown().first().icon, MsgIcon::None);
    }
}

void TestPing::replyToText_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<uint>("roundTrip");
    QTest::addColumn<QString>("text");

    QTest::newRow("success") << 0 << 12u << "12ms";
    QTest::newRow("success in zero ms") << 0 << 0u << "0ms";
    QTest::newRow("success as 11000") << 11000 << 0u << "0ms";
    QTest::newRow("timed out") << 11010 << 0u << "Offline";
    QTest::newRow("host unreachable") << 11003 << 0u << "Offline";
    QTest::newRow("offline round trip") << 0 << 589844u << "Offline";
}

void TestPing::replyToText()
{
    QFETCH(int, status);
    QFETCH(uint, roundTrip);
    QFETCH(QString, text);
    RecordingEcho echo(answer(status, roundTrip));
    QString pinged;
    QCOMPARE(PingServer(QStringLiteral("192.168.0.5"), pinged), text);
    QCOMPARE(pinged, QStringLiteral("192.168.0.5"));
    QCOMPARE(echo.requests().size(), 1);
    QCOMPARE(echo.requests().first().payload, QByteArray("Echo This"));
    QCOMPARE(echo.requests().first().timeoutMs, 200);
}

void TestPing::namesAreResolved_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<uint>("sentTo");
    QTest::addColumn<QString>("slot");

    // Any text with something besides digits and dots is a name, whatever its letters.
    QTest::newRow("name") << "localhost" << 0x0100007Fu << "127.0.0.1";
    QTest::newRow("upper case") << "LOCALHOST" << 0x0100007Fu << "127.0.0.1";
    QTest::newRow("name in blanks") << " localhost " << 0x0100007Fu << "127.0.0.1";
    // Blanks are no letters: the text stays a dotted address and comes back as typed.
    QTest::newRow("dotted in blanks") << " 127.0.0.1 " << 0x0100007Fu << " 127.0.0.1 ";
    QTest::newRow("part above 255") << "300.0.0.1" << 0x0100002Cu << "300.0.0.1";
    QTest::newRow("octets in order") << "1.2.3.4" << 0x04030201u << "1.2.3.4";
}

void TestPing::namesAreResolved()
{
    QFETCH(QString, address);
    QFETCH(uint, sentTo);
    QFETCH(QString, slot);
    RecordingEcho echo(answer(0, 3));
    QString pinged;
    QCOMPARE(PingServer(address, pinged), QStringLiteral("3ms"));
    QCOMPARE(pinged, slot);
    QCOMPARE(echo.requests().size(), 1);
    QCOMPARE(echo.requests().first().address, sentTo);
}

QTEST_GUILESS_MAIN(TestPing)
#include "test_ping.moc"
