// How directory calls fail: unreachable hosts, the SQL Server driver name, a silent host and a
// procedure that outlasts the command time-out. Each must end in bounded time with its number.
#include "app/AppState.h"
#include "directory/DirectoryClient.h"
#include "directory/DirectoryErrors.h"
#include "directory/OdbcHandles.h"
#include "tests/directory/DirectoryTestSupport.h"

#include <QElapsedTimer>
#include <QTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

struct CallOutcome {
    int32_t number = 0;
    QString description;
    qint64 milliseconds = 0;
};

CallOutcome ListAndFail()
{
    CallOutcome outcome;
    QElapsedTimer timer;
    timer.start();
    try {
        ActiveServers(kRogueSpear);
    } catch (const RuntimeError &error) {
        outcome.number = error.number();
        outcome.description = error.description();
    }
    outcome.milliseconds = timer.elapsed();
    return outcome;
}

// A TCP listener on 127.0.0.1 that accepts connections (the kernel completes them) and never answers.
class SilentListener {
public:
    SilentListener() : m_fd(socket(AF_INET, SOCK_STREAM, 0))
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof(address);
        bind(m_fd, reinterpret_cast<sockaddr *>(&address), sizeof(address));
        listen(m_fd, 8);
        getsockname(m_fd, reinterpret_cast<sockaddr *>(&address), &length);
        m_port = ntohs(address.sin_port);
    }
    ~SilentListener() { close(m_fd); }
    SilentListener(const SilentListener &) = delete;
    SilentListener &operator=(const SilentListener &) = delete;
    uint16_t port() const { return m_port; }

private:
    int m_fd;
    uint16_t m_port = 0;
};

} // namespace

class TestDirectoryFailures : public QObject {
    Q_OBJECT

private slots:
    void unreachableDirectory_data();
    void unreachableDirectory();
    void silentHostEndsAtLoginTimeout();
    void slowProcedureEndsAtCommandTimeout();
};

void TestDirectoryFailures::unreachableDirectory_data()
{
    QTest::addColumn<QString>("setting");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("driverSays");
    const QString closed = QString::number(ClosedLoopbackPort());
    // The classic string with the host from "DirectoryServer" goes to FreeTDS under the name "SQL Server".
    QTest::newRow("SQL Server name, closed port") << QStringLiteral("DirectoryServer")
                                                  << QStringLiteral("127.0.0.1,") + closed
                                                  << QStringLiteral("[FreeTDS][SQL Server]Unable to connect");
    QTest::newRow("PostgreSQL, closed port")
        << QStringLiteral("DirectoryConnection")
        << QStringLiteral("DRIVER={Skirmdeck Test PostgreSQL};SERVER=127.0.0.1;PORT=%1;DATABASE=x;UID=y").arg(closed)
        << QStringLiteral("Connection refused");
    QTest::newRow("driver not installed") << QStringLiteral("DirectoryConnection")
                                          << QStringLiteral("DRIVER={No Such Driver};SERVER=127.0.0.1")
                                          << QStringLiteral("No Such Driver");
}

void TestDirectoryFailures::unreachableDirectory()
{
    QFETCH(QString, setting);
    QFETCH(QString, value);
    QFETCH(QString, driverSays);
    DirectorySandbox sandbox;
    sandbox.setSetting(setting, value);

    const CallOutcome outcome = ListAndFail();
    QCOMPARE(outcome.number, direrr::ConnectFailed);
    QVERIFY2(outcome.description.contains(driverSays), qPrintable(outcome.description));
    QVERIFY2(outcome.milliseconds < kDirectoryLoginTimeout * 1000, qPrintable(QString::number(outcome.milliseconds)));
}

void TestDirectoryFailures::silentHostEndsAtLoginTimeout()
{
    SilentListener listener;
    DirectorySandbox sandbox;
    sandbox.setSetting(QStringLiteral("DirectoryConnection"),
                       QStringLiteral("DRIVER={Skirmdeck Test PostgreSQL};SERVER=127.0.0.1;PORT=%1;DATABASE=x;UID=y")
                           .arg(listener.port()));

    const CallOutcome outcome = ListAndFail();
    QCOMPARE(outcome.number, direrr::ConnectFailed);
    QVERIFY2(outcome.milliseconds >= (kDirectoryLoginTimeout - 1) * 1000, qPrintable(QString::number(outcome.milliseconds)));
    QVERIFY2(outcome.milliseconds < (kDirectoryLoginTimeout + 15) * 1000, qPrintable(QString::number(outcome.milliseconds)));
}

void TestDirectoryFailures::slowProcedureEndsAtCommandTimeout()
{
    // Another session holds the entries table, so the listing waits until the time-out cuts it off.
    OdbcConnection holder;
    QVERIFY2(holder.connect(testpg::ConnectionString(), 5), "the test PostgreSQL is not running");
    SQLSetConnectAttr(holder.handle(), SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0);
    {
        OdbcStatement lock(holder);
        QVERIFY(OdbcSucceeded(SQLExecDirectW(
            lock.handle(), OdbcText(QStringLiteral("LOCK TABLE directory_entries IN ACCESS EXCLUSIVE MODE")), SQL_NTS)));
    }
    DirectorySandbox sandbox;
    sandbox.usePostgres();

    const CallOutcome outcome = ListAndFail();
    SQLEndTran(SQL_HANDLE_DBC, holder.handle(), SQL_ROLLBACK);

    QCOMPARE(outcome.number, direrr::TimedOut);
    QVERIFY2(outcome.description.contains(QStringLiteral("timeout")), qPrintable(outcome.description));
    QVERIFY2(outcome.milliseconds >= (kDirectoryCommandTimeout - 1) * 1000, qPrintable(QString::number(outcome.milliseconds)));
    QVERIFY2(outcome.milliseconds < (kDirectoryCommandTimeout + 15) * 1000, qPrintable(QString::number(outcome.milliseconds)));
    // Once the table is free again the same call works.
    QCOMPARE(ListAndFail().number, 0);
}

QTEST_GUILESS_MAIN(TestDirectoryFailures)
#include "test_directory_failures.moc"
