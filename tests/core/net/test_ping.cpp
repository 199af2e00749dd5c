// PingServer and the address conversion against a recording echo, which proves what was sent,
// or that nothing was; the real echo is the namespace test's.
#include "core/net/Echo.h"
#include "core/net/PingServer.h"
#include "tests/support/ScriptedMessageBox.h"
#include "tests/support/ProgramState.h"

#include <QtTest>

namespace {

// How a request reads in the record: the address in hex, the payload and the time-out.
QString Sent(uint32_t address, const QByteArray &payload = "Echo This", int timeoutMs = 200)
{
    return QString("%1 %2 %3").arg(QString::number(address, 16), payload).arg(timeoutMs);
}

// An echo that sends nothing: it records each request and answers with a preset result.
// Installed as the echo of EchoRequest for its lifetime.
class RecordingEcho : public Echo {
public:
    explicit RecordingEcho(EchoResult answer) : m_answer(std::move(answer)), m_previous(setEchoSeam(this)) {}
    ~RecordingEcho() override { setEchoSeam(m_previous); }

    EchoResult send(uint32_t address, const QByteArray &payload, int timeoutMs) override
    {
        m_requests.append(Sent(address, payload, timeoutMs));
        return m_answer;
    }

    const QStringList &requests() const { return m_requests; }

private:
    EchoResult m_answer;
    QStringList m_requests;
    Echo *m_previous;
};

} // namespace

class TestPing : public IsolatedTest {
    Q_OBJECT

private slots:
    // What is sent where (the payload and time-out of every echo) and how the reply reads. None of
    // the malformed addresses may reach the network: a bad address is reported, one that converts
    // to 0 would otherwise ping this computer itself.
    void sentAndShown()
    {
        const struct {
            QString address;
            int status;
            uint roundTrip, sentTo; // sentTo 0: nothing sent
            const char *slot, *text, *message;
        } cases[] = {
            {"192.168.0.5", 0, 12, 0x0500A8C0u, "192.168.0.5", "12ms", ""},
            {"1.2.3.4", 11000, 0, 0x04030201u, "1.2.3.4", "0ms", ""}, // 11000 is success too
            {"1.2.3.4", 11010, 0, 0x04030201u, "1.2.3.4", "Offline", ""},
            {"1.2.3.4", 0, 589844, 0x04030201u, "1.2.3.4", "Offline", ""},
            // Any text with something besides digits, dots and blanks is a name.
            {" localhost ", 0, 3, 0x0100007Fu, "127.0.0.1", "3ms", ""},
            // Blanks are no letters: the text stays a dotted address and comes back as typed.
            {" 127.0.0.1 ", 0, 3, 0x0100007Fu, " 127.0.0.1 ", "3ms", ""},
            {"300.0.0.1", 0, 3, 0x0100002Cu, "300.0.0.1", "3ms", ""},
            {"1.2.3.4.5", 0, 3, 0, "untouched", "", "Error in PingServer 9 Subscript out of range"},
            {"1..3.4", 0, 3, 0, "untouched", "", "Error in PingServer 13 Type mismatch"},
            {"1.2.3", 0, 3, 0, "1.2.3", "Offline", ""},
            // A name that finds no address (the look-up refuses a NUL without asking a name server).
            {QString("no-such-host") + QChar(0), 0, 3, 0, "", "Offline", ""},
        };
        for (const auto &c : cases) {
            ScriptedMessageBox boxes;
            EchoResult answer = EchoResult::withStatus(c.status);
            answer.roundTripMs = c.roundTrip;
            RecordingEcho echo(answer);
            QString pinged = "untouched";
            QCOMPARE(PingServer(c.address, pinged), c.text);
            QCOMPARE(pinged, c.slot);
            QCOMPARE(boxes.texts(), *c.message ? QStringList{c.message} : QStringList());
            QCOMPARE(echo.requests(), c.sentTo ? QStringList{Sent(c.sentTo)} : QStringList());
        }
    }

    // Many at once give what one call for each gives: texts, pinged addresses, messages in order;
    // each distinct address is sent one echo, and none that converts to 0.
    void manyAtOnceAsOneByOne()
    {
        ScriptedMessageBox boxes;
        EchoResult answer = EchoResult::withStatus(0);
        answer.roundTripMs = 3;
        RecordingEcho echo(answer);
        const QStringList addresses{"127.0.0.1", " localhost ", "1.2.3.4.5", "", "127.0.0.2", "1..3.4", "127.0.0.1"};
        const QList<PingOutcome> outcomes = PingServers(addresses);
        QCOMPARE(echo.requests(), (QStringList{Sent(0x0100007F), Sent(0x0200007F)}));
        const QStringList batchShown = boxes.texts();
        for (qsizetype i = 0; i < addresses.size(); ++i) {
            QString pinged = "untouched";
            QCOMPARE(outcomes[i].text, PingServer(addresses[i], pinged));
            QCOMPARE(outcomes[i].pingedAddress.value_or("untouched"), pinged);
        }
        QCOMPARE(boxes.texts(), batchShown + batchShown);
    }
};

QTEST_GUILESS_MAIN(TestPing)
#include "test_ping.moc"
