// Times ActiveServers returning 5,000 entries through the directory client and through
// unixODBC's isql running the same call over the same driver, in the same run.
//
// It starts a throwaway PostgreSQL cluster on 127.0.0.1 with the test fixture's scripts (as the
// tests do; run as root or as a user that may run initdb) unless SKD_PG_STATE names the state
// folder of one that is already running.
#include "core/state/AppState.h"
#include "core/directory/DirectoryClient.h"
#include "core/directory/OdbcHandles.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kEntries = 5000;
constexpr int kRounds = 15;
const QString kGame = QStringLiteral("Rainbow Six");

bool RunScript(const QString &script, const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(QStringLiteral("sh"), QStringList{QStringLiteral(SKD_PG_SCRIPTS "/") + script} + arguments);
    return process.waitForFinished(180000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

QString ReadPort(const QString &state)
{
    QFile file(state + QStringLiteral("/port"));
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()).trimmed() : QString();
}

bool ExecSql(const QString &connectionString, const QString &sql)
{
    OdbcConnection connection;
    if (!connection.connect(connectionString, 10))
        return false;
    OdbcStatement statement(connection);
    const SQLRETURN rc = SQLExecDirectW(statement.handle(), OdbcText(sql), SQL_NTS);
    return OdbcSucceeded(rc) || rc == SQL_NO_DATA;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double Mean(const std::vector<double> &values)
{
    double sum = 0;
    for (double value : values)
        sum += value;
    return sum / double(values.size());
}

// One isql run of the same call; returns milliseconds, or a negative number on failure.
double TimeIsql(const QString &connectionString, qsizetype &lines)
{
    QProcess isql;
    QElapsedTimer timer;
    timer.start();
    isql.start(QStringLiteral("isql"), {QStringLiteral("-b"), QStringLiteral("-3"), QStringLiteral("-d|"),
                                        QStringLiteral("-k"), connectionString});
    isql.write(QStringLiteral("{call ActiveServers('%1')}\n").arg(kGame).toUtf8());
    isql.closeWriteChannel();
    QByteArray output;
    while (isql.state() != QProcess::NotRunning && isql.waitForReadyRead(60000))
        output += isql.readAllStandardOutput();
    isql.waitForFinished(60000);
    output += isql.readAllStandardOutput();
    const double elapsed = double(timer.nsecsElapsed()) / 1e6;
    lines = output.count('\n');
    return isql.exitCode() == 0 ? elapsed : -1;
}

double TimeClient(qsizetype &rows)
{
    QElapsedTimer timer;
    timer.start();
    rows = ActiveServers(kGame).size();
    return double(timer.nsecsElapsed()) / 1e6;
}

int Run(const QString &connectionString)
{
    QTemporaryDir settingsDir;
    qputenv("SKIRMDECK_REGISTRY", settingsDir.filePath(QStringLiteral("system.reg")).toLocal8Bit());
    gRegUtil().SaveSettingString(HKEY_LOCAL_MACHINE, kRedStormKey, QStringLiteral("DirectoryConnection"),
                                 connectionString);

    const QString fill =
        QStringLiteral(
            "DELETE FROM directory_entries; INSERT INTO directory_entries (servername, gametype, ipaddress, port, mods,"
            " connectiontype, serverkey, source) SELECT 'Server number ' || i, '%1', '10.1.' || (i / 250) || '.' || (i "
            "%"
            " 250), '2346', 'mod' || (i % 7), 'DSL', 'key', '10.1.0.0' FROM generate_series(1, %2) AS i")
            .arg(kGame)
            .arg(kEntries);
    if (!ExecSql(connectionString, fill)) {
        std::fprintf(stderr, "could not fill the directory\n");
        return 1;
    }

    std::vector<double> client;
    std::vector<double> isql;
    qsizetype rows = 0;
    qsizetype lines = 0;
    // One untimed round each, so that both start with the driver's files in the page cache.
    TimeClient(rows);
    TimeIsql(connectionString, lines);
    for (int round = 0; round < kRounds; ++round) {
        client.push_back(TimeClient(rows));
        const double isqlTime = TimeIsql(connectionString, lines);
        if (isqlTime < 0) {
            std::fprintf(stderr, "isql failed\n");
            return 1;
        }
        isql.push_back(isqlTime);
    }

    std::printf("ActiveServers('%s') returning %lld entries, %d rounds, PostgreSQL 15 through psqlODBC\n",
                qPrintable(kGame), static_cast<long long>(rows), kRounds);
    std::printf("  client: median %8.2f ms  mean %8.2f ms  (rows read: %lld)\n", Median(client), Mean(client),
                static_cast<long long>(rows));
    std::printf("  isql:   median %8.2f ms  mean %8.2f ms  (lines printed: %lld)\n", Median(isql), Mean(isql),
                static_cast<long long>(lines));
    const double ratio = Median(client) / Median(isql);
    std::printf("  client / isql (medians): %.2f  goal: at most 1.20  %s\n", ratio, ratio <= 1.2 ? "met" : "NOT met");
    std::printf("reproduce: cmake --build %s --target bench_directory && %s\n", SKD_BUILD_DIR,
                qPrintable(QCoreApplication::applicationFilePath()));
    return rows == kEntries ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QString state = qEnvironmentVariable("SKD_PG_STATE");
    QTemporaryDir ownState;
    const bool startOwn = state.isEmpty() || ReadPort(state).isEmpty();
    if (startOwn) {
        state = ownState.path();
        if (!RunScript(QStringLiteral("pg-start.sh"), {state, QStringLiteral(SKD_PG_SCHEMA)})) {
            std::fprintf(stderr, "could not start PostgreSQL\n");
            return 1;
        }
    }
    qputenv("ODBCSYSINI", (state + QStringLiteral("/odbc")).toLocal8Bit());
    const QString connectionString = QStringLiteral("DRIVER={Skirmdeck Test PostgreSQL};SERVER=127.0.0.1;PORT=%1;"
                                                    "DATABASE=skirmdeck_directory;UID=dirtest")
                                         .arg(ReadPort(state));
    const int result = Run(connectionString);
    if (startOwn)
        RunScript(QStringLiteral("pg-stop.sh"), {state});
    return result;
}
