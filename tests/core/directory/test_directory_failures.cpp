// How directory calls fail: unreachable hosts, the SQL Server driver name, a silent host and a
// procedure that outlasts the command time-out. Each ends in bounded time with its number.
#include "core/state/AppState.h"
#include "core/directory/DirectoryClient.h"
#include "core/directory/DirectoryErrors.h"
#include "core/directory/OdbcHandles.h"
#include "tests/core/directory/DirectoryTestSupport.h"
#include "tests/support/ProgramState.h"

#include <QElapsedTimer>
#include <QTcpServer>
#include <QTest>

namespace {

// The error a listing raises (number 0 when none), and the whole seconds it took.
RuntimeError ListAndFail(qint64 &seconds)
{
    RuntimeError outcome(0);
    QElapsedTimer timer;
    timer.start();
    try {
        ActiveServers(kRogueSpear);
    } catch (const RuntimeError &error) {
        outcome = error;
    }
    seconds = timer.elapsed() / 1000;
    return outcome;
}

} // namespace

class TestDirectoryFailures : public IsolatedTest {
    Q_OBJECT

    // Listening, so the kernel completes the connection that nobody ever answers.
    QTcpServer m_silent;

private slots:
    void unreachableDirectory_data()
    {
        QTest::addColumn<QString>("setting");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("driverSays");
        QTest::addColumn<int>("minSeconds");
        QTest::addColumn<int>("maxSeconds");
        const QString closed = ClosedLoopbackPort(), connection = "DirectoryConnection";
        const int login = kDirectoryLoginTimeout;
        QVERIFY(m_silent.listen(QHostAddress::LocalHost));
        // The classic string with the host from "DirectoryServer" goes to FreeTDS under the name "SQL Server".
        QTest::newRow("SQL Server name") << QString("DirectoryServer") << "127.0.0.1," + closed
                                         << QString("[FreeTDS][SQL Server]Unable to connect") << 0 << login;
        QTest::newRow("PostgreSQL") << connection << testpg::ConnectionString(closed) << QString("Connection refused")
                                    << 0 << login;
        QTest::newRow("driver not installed") << connection << QString("DRIVER={No Such Driver};SERVER=127.0.0.1")
                                              << QString("No Such Driver") << 0 << login;
        QTest::newRow("silent host") << connection << testpg::ConnectionString(QString::number(m_silent.serverPort()))
                                     << QString() << login - 1 << login + 15;
    }

    void unreachableDirectory()
    {
        QFETCH(QString, setting);
        QFETCH(QString, value);
        QFETCH(QString, driverSays);
        QFETCH(int, minSeconds);
        QFETCH(int, maxSeconds);
        DirectorySandbox sandbox;
        sandbox.setSetting(setting, value);

        qint64 seconds = 0;
        const RuntimeError outcome = ListAndFail(seconds);
        QCOMPARE(outcome.number(), direrr::ConnectFailed);
        QVERIFY2(outcome.description().contains(driverSays), qPrintable(outcome.description()));
        QVERIFY2(seconds >= minSeconds && seconds < maxSeconds, qPrintable(QString::number(seconds)));
    }

    void slowProcedureEndsAtCommandTimeout()
    {
        // Another session holds the entries table, so the listing waits until the time-out cuts it off.
        OdbcConnection holder;
        QVERIFY2(holder.connect(testpg::ConnectionString(), 5), "the test PostgreSQL is not running");
        SQLSetConnectAttr(holder.handle(), SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0);
        {
            OdbcStatement lock(holder);
            QVERIFY(OdbcSucceeded(SQLExecDirectW(
                lock.handle(), OdbcText("LOCK TABLE directory_entries IN ACCESS EXCLUSIVE MODE"), SQL_NTS)));
        }
        DirectorySandbox sandbox;
        sandbox.usePostgres();

        qint64 seconds = 0;
        const RuntimeError outcome = ListAndFail(seconds);
        SQLEndTran(SQL_HANDLE_DBC, holder.handle(), SQL_ROLLBACK);

        QCOMPARE(outcome.number(), direrr::TimedOut);
        QVERIFY2(outcome.description().contains("statement timeout"), qPrintable(outcome.description()));
        QVERIFY2(seconds >= kDirectoryCommandTimeout - 1 && seconds < kDirectoryCommandTimeout + 15,
                 qPrintable(QString::number(seconds)));
        // Once the table is free again the same call works.
        QCOMPARE(ListAndFail(seconds).number(), 0);
    }
};

QTEST_GUILESS_MAIN(TestDirectoryFailures)
#include "test_directory_failures.moc"
