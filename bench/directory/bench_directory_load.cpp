// Many players at once against one PostgreSQL directory: N client threads, each call opening its
// own ODBC connection as the program does, for a fixed time; 95 % ActiveServers and 5 % post,
// announce and remove. Straight to PostgreSQL and through PgBouncer (transaction pooling), with
// pgbench -C running the same function as the anchor: the server's own limit for clients that
// connect once a call.
//
// It starts its own PostgreSQL (max_connections = 100) and PgBouncer on 127.0.0.1 with
// load-servers.sh and stops them at the end; run it as root or as a user that may run initdb.
//   bench_directory_load [SECONDS_A_RUN]      (default 10, at most 60)
#include "core/directory/DirectoryErrors.h"
#include "core/directory/OdbcDirectory.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kEntries = 200;
constexpr int kRaisedLimit = 1000000;
// The login players use, which may only call the five functions.
const QString kPlayer = QStringLiteral("skirmdeck_player");
constexpr int kClientCounts[] = {1, 16, 64, 300};
const QString kGame = QStringLiteral("Rogue Spear");
const QString kScripts = QStringLiteral(SKD_BENCH_DIR "/load-servers.sh");

// What one client thread saw.
struct Tally {
    std::vector<double> milliseconds; // of the calls that succeeded
    std::vector<double> writes;       // of the posts, announces and removals among them
    long errors = 0;                  // the call failed after connecting
    long refused = 0;                 // the connection was not made
    QStringList messages;             // the first failures' texts, each once
    Clock::time_point finished;       // when the last timed call ended
};

// Processor seconds (user and system) that this process, or its ended children, used so far.
double ProcessorSeconds(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    const auto seconds = [](const timeval &t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

struct Figures {
    double callsPerSecond = 0;
    double clientCpuMs = 0; // the clients' processor time a successful call
    double p50 = 0;
    double p99 = 0;
    double writeP50 = 0;
    long errors = 0;
    long refused = 0;
    QStringList messages;
};

// The call a client makes next: mostly the list, now and then one of its own entry's steps.
struct Call {
    QString procedure;
    QStringList arguments;
    QStringList columns;
};

class Client {
public:
    explicit Client(int index)
        : m_random(std::uint32_t(index) + 1),
          m_address(QStringLiteral("10.200.%1.%2").arg(index / 250).arg(index % 250)),
          m_key(QStringLiteral("key%1").arg(index))
    {
    }

    Call next()
    {
        if (std::uniform_int_distribution<int>(0, 99)(m_random) >= 5)
            return {QStringLiteral("ActiveServers"),
                    {kGame},
                    {QStringLiteral("ServerName"), QStringLiteral("IPAddress"), QStringLiteral("Port"),
                     QStringLiteral("Mods")}};
        // Post, announce and remove in turn, so that each client keeps at most one entry.
        switch (m_step++ % 3) {
        case 0:
            return {QStringLiteral("AddServer"),
                    {QStringLiteral("Load test"), kGame, m_address, QStringLiteral("2346"), QString(),
                     QStringLiteral("DSL"), m_key, m_address},
                    {}};
        case 1: return {QStringLiteral("UpdateServer"), {m_address, m_key, m_address}, {}};
        default: return {QStringLiteral("DeleteServerPWed"), {m_address, m_key, m_address}, {}};
        }
    }

    // Removes the client's entry when the run ended between its post and its removal, so that
    // the next run may post it again.
    void tidy(const QString &connectionString) const
    {
        if (m_step % 3 == 0)
            return;
        try {
            OdbcDirectory(connectionString, kDirectoryLoginTimeout)
                .call(QStringLiteral("DeleteServerPWed"), {m_address, m_key, m_address}, {});
        } catch (const RuntimeError &) {
            // A leftover entry only costs the next run one refused post.
        }
    }

private:
    std::mt19937 m_random;
    QString m_address;
    QString m_key;
    int m_step = 0;
};

void RunClient(int index, const QString &connectionString, Clock::time_point end, Tally &tally)
{
    Client client(index);
    while (Clock::now() < end) {
        const Call call = client.next();
        const Clock::time_point start = Clock::now();
        try {
            OdbcDirectory directory(connectionString, kDirectoryLoginTimeout);
            directory.call(call.procedure, call.arguments, call.columns);
            const double milliseconds = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
            tally.milliseconds.push_back(milliseconds);
            if (call.columns.isEmpty())
                tally.writes.push_back(milliseconds);
        } catch (const RuntimeError &error) {
            ++(error.number() == direrr::ConnectFailed ? tally.refused : tally.errors);
            const QString text = call.procedure + QStringLiteral(": ") + error.description().simplified();
            if (tally.messages.size() < 3 && !tally.messages.contains(text))
                tally.messages.append(text);
        }
    }
    tally.finished = Clock::now();
    client.tidy(connectionString);
}

double Percentile(const std::vector<double> &sorted, double fraction)
{
    if (sorted.empty())
        return 0;
    return sorted[std::min(sorted.size() - 1, size_t(double(sorted.size()) * fraction))];
}

Figures Measure(const QString &connectionString, int clients, int seconds)
{
    std::vector<Tally> tallies(static_cast<size_t>(clients));
    std::vector<std::thread> threads;
    const double cpuBefore = ProcessorSeconds(RUSAGE_SELF);
    const Clock::time_point start = Clock::now();
    const Clock::time_point end = start + std::chrono::seconds(seconds);
    for (int i = 0; i < clients; ++i)
        threads.emplace_back(RunClient, i, connectionString, end, std::ref(tallies[size_t(i)]));
    for (std::thread &thread : threads)
        thread.join();
    Clock::time_point last = end;
    for (const Tally &tally : tallies)
        last = std::max(last, tally.finished);
    const double elapsed = std::chrono::duration<double>(last - start).count();
    Figures figures;
    std::vector<double> all;
    std::vector<double> writes;
    for (const Tally &tally : tallies) {
        all.insert(all.end(), tally.milliseconds.begin(), tally.milliseconds.end());
        writes.insert(writes.end(), tally.writes.begin(), tally.writes.end());
        figures.errors += tally.errors;
        figures.refused += tally.refused;
        for (const QString &message : tally.messages)
            if (figures.messages.size() < 3 && !figures.messages.contains(message))
                figures.messages.append(message);
    }
    std::sort(all.begin(), all.end());
    std::sort(writes.begin(), writes.end());
    figures.writeP50 = Percentile(writes, 0.50);
    figures.callsPerSecond = double(all.size()) / elapsed;
    figures.clientCpuMs = (ProcessorSeconds(RUSAGE_SELF) - cpuBefore) * 1000 / double(std::max<size_t>(all.size(), 1));
    figures.p50 = Percentile(all, 0.50);
    figures.p99 = Percentile(all, 0.99);
    return figures;
}

struct PgbenchFigures {
    double tps = -1;
    double clientCpuMs = 0;
    long aborted = 0;
};

// pgbench -C: a new connection for every transaction, each one the same ActiveServers call.
PgbenchFigures Pgbench(const QString &script, const QString &port, const QString &user, int clients, int seconds)
{
    const double cpuBefore = ProcessorSeconds(RUSAGE_CHILDREN);
    QProcess pgbench;
    pgbench.start(QStringLiteral("/usr/lib/postgresql/15/bin/pgbench"),
                  {QStringLiteral("-n"), QStringLiteral("-C"), QStringLiteral("-c"), QString::number(clients),
                   QStringLiteral("-j"), QString::number(clients), QStringLiteral("-T"), QString::number(seconds),
                   QStringLiteral("-f"), script, QStringLiteral("-h"), QStringLiteral("127.0.0.1"),
                   QStringLiteral("-p"), port, QStringLiteral("-U"), user, QStringLiteral("skirmdeck_directory")});
    if (!pgbench.waitForFinished((seconds + 60) * 1000)) {
        pgbench.kill();
        pgbench.waitForFinished();
    }
    const QString out = QString::fromLocal8Bit(pgbench.readAllStandardOutput());
    const QString err = QString::fromLocal8Bit(pgbench.readAllStandardError());
    PgbenchFigures figures;
    const QRegularExpressionMatch tps = QRegularExpression(QStringLiteral("tps = ([0-9.]+)")).match(out);
    if (tps.hasMatch())
        figures.tps = tps.captured(1).toDouble();
    const double transactions = figures.tps * seconds;
    if (transactions > 0)
        figures.clientCpuMs = (ProcessorSeconds(RUSAGE_CHILDREN) - cpuBefore) * 1000 / transactions;
    figures.aborted = err.count(QStringLiteral("aborted"));
    return figures;
}

QString LoadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()).section(QLatin1Char(' '), 0, 2)
                                          : QStringLiteral("?");
}

bool Servers(const QStringList &arguments)
{
    QProcess script;
    script.setProcessChannelMode(QProcess::ForwardedChannels);
    script.start(QStringLiteral("sh"), QStringList{kScripts} + arguments);
    return script.waitForFinished(180000) && script.exitStatus() == QProcess::NormalExit && script.exitCode() == 0;
}

QString ReadState(const QString &state, const char *name)
{
    QFile file(state + QLatin1Char('/') + QLatin1String(name));
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()).trimmed() : QString();
}

bool WriteFile(const QString &path, const QString &text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) == text.toUtf8().size();
}

// The entries every run lists, each posted from its own address; and flood limits high enough
// for every client posting from 127.0.0.1 (through PgBouncer all posts come from its address),
// so that the limit checks still run but refuse nothing.
QString SetupSql()
{
    return QStringLiteral("INSERT INTO directory_entries (servername, gametype, ipaddress, port, mods, connectiontype,"
                          " keyhash, source, postedfrom) SELECT 'Server number ' || i, '%1', '10.1.0.' || i, '2346',"
                          " 'mod' || (i % 7), 'DSL', crypt('key', gen_salt('bf')), '10.1.0.' || i,"
                          " ('10.1.0.' || i)::inet FROM generate_series(1, %2) AS i;\n"
                          "UPDATE directory_limits SET value = %3;\n")
        .arg(kGame)
        .arg(kEntries)
        .arg(kRaisedLimit);
}

// One row: our clients' figures, then pgbench -C's taken right after them at the same N, so that
// both meet about the same load on a shared machine.
void PrintRow(const char *path, int clients, const Figures &f, const PgbenchFigures &p)
{
    std::printf("%-9s %7d %8.1f %7.1f %7.1f %8.1f %6ld %7ld %6.2f | %8.1f %7ld %6.2f\n", path, clients,
                f.callsPerSecond, f.p50, f.p99, f.writeP50, f.errors, f.refused, f.clientCpuMs, p.tps, p.aborted,
                p.clientCpuMs);
    for (const QString &message : f.messages)
        std::printf("          e.g. %s\n", qPrintable(message.left(150)));
    std::fflush(stdout);
}

void Goal(const char *what, bool met) { std::printf("  %-72s %s\n", what, met ? "met" : "NOT met"); }

struct Results {
    std::vector<Figures> direct;
    std::vector<Figures> bouncer;
    std::vector<PgbenchFigures> pgbenchDirect;
    std::vector<PgbenchFigures> pgbenchBouncer;
};

void PrintGoals(const Results &r)
{
    std::printf("goals:\n");
    // kClientCounts: 1, 16, 64, 300.
    Goal("direct calls/s >= 0.9 x pgbench -C direct at N = 16",
         r.direct[1].callsPerSecond >= 0.9 * r.pgbenchDirect[1].tps);
    Goal("direct calls/s >= 0.9 x pgbench -C direct at N = 64",
         r.direct[2].callsPerSecond >= 0.9 * r.pgbenchDirect[2].tps);
    Goal("PgBouncer calls/s >= 2.5 x direct calls/s at N = 64",
         r.bouncer[2].callsPerSecond >= 2.5 * r.direct[2].callsPerSecond);
    Goal("PgBouncer at N = 300: 0 errors and 0 refused", r.bouncer[3].errors == 0 && r.bouncer[3].refused == 0);
    std::printf("  ratios: direct/pgbench N=16 %.2f, N=64 %.2f; PgBouncer/direct N=64 %.2f\n",
                r.direct[1].callsPerSecond / r.pgbenchDirect[1].tps,
                r.direct[2].callsPerSecond / r.pgbenchDirect[2].tps,
                r.bouncer[2].callsPerSecond / r.direct[2].callsPerSecond);
}

int Run(const QString &state, const QString &user, int seconds)
{
    const QString pgPort = ReadState(state, "pg_port");
    const QString bouncerPort = ReadState(state, "bouncer_port");
    const QString base = QStringLiteral("DRIVER={Skirmdeck Bench PostgreSQL};SERVER=127.0.0.1;PORT=%1;"
                                        "DATABASE=skirmdeck_directory;UID=%2");
    const QString direct = base.arg(pgPort, user);
    // Behind transaction pooling the next statement may reach another server connection.
    const QString pooled = base.arg(bouncerPort, user) + QStringLiteral(";UseServerSidePrepare=0");
    const QString script = state + QStringLiteral("/activeservers.sql");
    WriteFile(script, QStringLiteral("SELECT * FROM ActiveServers('%1');\n").arg(kGame));

    std::printf("%-9s %7s %8s %7s %7s %8s %6s %7s %6s | %8s %7s %6s\n", "", "", "our", "p50", "p99", "write", "", "",
                "cpu ms", "pgbench", "aborted", "cpu ms");
    std::printf("%-9s %7s %8s %7s %7s %8s %6s %7s %6s | %8s %7s %6s\n", "path", "clients", "calls/s", "ms", "ms",
                "p50 ms", "errors", "refused", "a call", "-C tps", "clients", "a call");
    Results results;
    for (int clients : kClientCounts) {
        results.direct.push_back(Measure(direct, clients, seconds));
        results.pgbenchDirect.push_back(Pgbench(script, pgPort, user, clients, seconds));
        PrintRow("direct", clients, results.direct.back(), results.pgbenchDirect.back());
    }
    for (int clients : kClientCounts) {
        results.bouncer.push_back(Measure(pooled, clients, seconds));
        results.pgbenchBouncer.push_back(Pgbench(script, bouncerPort, user, clients, seconds));
        PrintRow("pgbouncer", clients, results.bouncer.back(), results.pgbenchBouncer.back());
    }
    PrintGoals(results);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::clamp(QString::fromLocal8Bit(argv[1]).toInt(), 1, 60) : 10;
    QTemporaryDir state;
    const QStringList start = {QStringLiteral("start"), state.path(), QStringLiteral(SKD_PG_SCHEMA),
                               state.filePath(QStringLiteral("setup.sql"))};
    // A second try, on other ports: on a shared machine a free port may be taken meanwhile.
    if (!WriteFile(state.filePath(QStringLiteral("setup.sql")), SetupSql()) || !(Servers(start) || Servers(start))) {
        Servers({QStringLiteral("stop"), state.path()});
        std::fprintf(stderr, "could not start PostgreSQL and PgBouncer\n");
        return 1;
    }
    qputenv("ODBCSYSINI", state.filePath(QStringLiteral("odbc")).toLocal8Bit());
    std::printf("Directory load: %d entries for %s, %d s a run; each call its own connection; 95 %% ActiveServers,\n"
                "5 %% post/announce/remove of each client's own entry; PostgreSQL 15 (max_connections = 100) and\n"
                "PgBouncer (transaction pooling, 20 server connections) on 127.0.0.1\n",
                kEntries, qPrintable(kGame), seconds);
    std::printf("load average before: %s\n", qPrintable(LoadAverage()));
    std::printf("flood limits: raised by the owner to %d for this run (all posts come from 127.0.0.1)\n", kRaisedLimit);
    const int result = Run(state.path(), kPlayer, seconds);
    std::printf("load average after:  %s\n", qPrintable(LoadAverage()));
    std::printf("reproduce: cmake --build %s --target bench_directory_load && %s %d\n", SKD_BUILD_DIR,
                qPrintable(QCoreApplication::applicationFilePath()), seconds);
    Servers({QStringLiteral("stop"), state.path()});
    return result;
}
