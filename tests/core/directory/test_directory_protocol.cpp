// The windows' directory steps on PostgreSQL (the window tests post and remove on the embedded
// directory): failures change no setting and show the driver's words, the owner of a listed
// address is asked, missing settings are sent as empty texts. And how directory calls fail:
// the SQL Server driver name, a silent host and a procedure that outlasts the command time-out,
// each with its number.
#include "core/state/AppState.h"
#include "core/directory/DirectoryClient.h"
#include "core/directory/DirectoryErrors.h"
#include "core/directory/DirectoryProtocol.h"
#include "core/directory/OdbcHandles.h"
#include "tests/support/ScriptedMessageBox.h"
#include "tests/support/FakeMainLink.h"
#include "tests/core/directory/DirectoryTestSupport.h"
#include "tests/support/ProgramState.h"

#include <QElapsedTimer>
#include <QTcpServer>
#include <QTest>

namespace {

const QString kAddress = "198.51.100.7";
// The number a failed connection ends its message with.
const QString kConnectFailedEnd = "Error Number -2147467259";

PostRequest Request(const QString &key) { return {"My Server", kRogueSpear, kAddress, "2346", {}, "Cable", key}; }

// A case's own settings on the test PostgreSQL, the main window it reports to and the boxes it shows.
struct Desk {
    DirectorySandbox sandbox;
    FakeMainLink main;
    ScriptedMessageBox boxes;

    Desk() { sandbox.setSetting("DirectoryConnection", testpg::ConnectionString()); }
};

} // namespace

class TestDirectoryProtocol : public IsolatedTest {
    Q_OBJECT

    // Listening, so the kernel completes the connection that nobody ever answers.
    QTcpServer m_silent;

private slots:
    void init()
    {
        ResetProgramState();
        // The flood limits count the posts of the calling address: the post log goes too.
        QVERIFY2(testpg::Exec("TRUNCATE directory_entries, directory_posts"), "the test PostgreSQL is not running");
    }

    void failuresChangeNoSetting()
    {
        Desk desk;
        // No post remembered yet: whatever a failure wrote would show in the settings file.
        desk.sandbox.setSetting("DirectoryConnection", testpg::ConnectionString(ClosedLoopbackPort()));
        const QByteArray settings = desk.sandbox.hive();

        QCOMPARE(PostServer(Request("new key")), PostResult::Failed);
        QVERIFY(!DeleteServerFromDB());
        QVERIFY(!DeleteServerByIP(kAddress));
        QVERIFY(!UpdateServerFromDB());
        QVERIFY(!GetDBServerRows(kRogueSpear));
        QCOMPARE(desk.sandbox.hive(), settings);
        QVERIFY(desk.main.postedStates.isEmpty());

        // The context, CR LF, a blank, the driver's message and straight after it the number; the
        // listing shows the number alone.
        const QStringList shown = desk.boxes.texts();
        QCOMPARE(shown.size(), 5);
        for (const QString &text : shown.first(4))
            QVERIFY2(text.contains("\r\n ") && text.endsWith("connections?\n" + kConnectFailedEnd), qPrintable(text));
        QCOMPARE(shown[4], "Could not make connection to Database\r\n" + kConnectFailedEnd);
    }

    // This computer owns a listed address also by the one it posted from (by its own address is
    // the window test's): it is asked whether to delete (what No keeps is the window test's too).
    // A post the directory refuses is shown as a failure.
    void ownerIsAskedAndRefusalsAreShown()
    {
        Desk desk;
        desk.boxes.queueAnswer(MsgResult::No);
        desk.sandbox.setSetting("PostServerIP", kAddress);
        AnswerAlreadyListed(kAddress, "10.0.0.9");
        PostRequest refused = Request("key");
        refused.port = "99999";
        QCOMPARE(PostServer(refused), PostResult::Failed);

        const QString asked = "There is already a Server with that IP in the Database\r\n"
                              "Would you like to delete that server anyway?";
        QStringList shown = desk.boxes.texts();
        // Up to the refusal word: the rule's own text is the rules test's.
        shown.last() = shown.last().section(':', 0, 1);
        QCOMPARE(shown, QStringList({asked, "Could not make connection to Database\r\n ERROR: INVALID Port"}));
    }

    void missingSettingsSendEmptyTexts()
    {
        Desk desk;
        // Entries whose address, key and source are empty texts: only empty texts (not NULLs) match them.
        QVERIFY(InsertExpired("Lapsed", {}, {}));
        QVERIFY(UpdateServerFromDB());
        QCOMPARE(ActiveServers(kRogueSpear).size(), 1);
        QVERIFY(DeleteServerFromDB());
        QVERIFY(ActiveServers(kRogueSpear).isEmpty());
    }

    // A directory out of reach fails with the connection number and the driver's words, a silent
    // host after the whole login time-out; a procedure that outlasts the command time-out, as
    // while another session holds the entries table, with the time-out number.
    void failingListing_data()
    {
        QTest::addColumn<QString>("setting");
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("driverSays");
        QTest::addColumn<int>("minSeconds");
        QVERIFY(m_silent.listen(QHostAddress::LocalHost));
        // The classic string with the host from "DirectoryServer" goes to FreeTDS under the name "SQL Server".
        QTest::newRow("SQL Server name") << QString("DirectoryServer") << "127.0.0.1," + ClosedLoopbackPort()
                                         << direrr::ConnectFailed << QString("[FreeTDS][SQL Server]Unable to connect")
                                         << 0;
        QTest::newRow("silent host") << QString("DirectoryConnection")
                                     << testpg::ConnectionString(QString::number(m_silent.serverPort()))
                                     << direrr::ConnectFailed << QString() << kDirectoryLoginTimeout - 1;
        QTest::newRow("table held") << QString("DirectoryConnection") << testpg::ConnectionString() << direrr::TimedOut
                                    << QString("statement timeout") << kDirectoryCommandTimeout - 1;
    }

    void failingListing()
    {
        QFETCH(QString, setting);
        QFETCH(QString, value);
        QFETCH(int, number);
        QFETCH(QString, driverSays);
        QFETCH(int, minSeconds);
        OdbcConnection holder;
        if (number == direrr::TimedOut) {
            // Another session holds the entries table, so the listing waits until the time-out cuts it off.
            QVERIFY(holder.connect(testpg::ConnectionString(), 5));
            SQLSetConnectAttr(holder.handle(), SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF),
                              0);
            OdbcStatement lock(holder);
            QVERIFY(OdbcSucceeded(SQLExecDirectW(
                lock.handle(), OdbcText("LOCK TABLE directory_entries IN ACCESS EXCLUSIVE MODE"), SQL_NTS)));
        }
        DirectorySandbox sandbox;
        sandbox.setSetting(setting, value);

        QElapsedTimer timer;
        timer.start();
        RuntimeError outcome(0);
        try {
            ActiveServers(kRogueSpear);
        } catch (const RuntimeError &error) {
            outcome = error;
        }
        const qint64 seconds = timer.elapsed() / 1000;
        SQLEndTran(SQL_HANDLE_DBC, holder.handle(), SQL_ROLLBACK);
        QCOMPARE(outcome.number(), number);
        QVERIFY2(outcome.description().contains(driverSays), qPrintable(outcome.description()));
        QVERIFY2(seconds >= minSeconds, qPrintable(QString::number(seconds)));
    }
};

QTEST_GUILESS_MAIN(TestDirectoryProtocol)
#include "test_directory_protocol.moc"
