// "Update All Servers" on rows whose addresses do not answer: neither the probed port nor the
// echo. Runs itself again inside a user and network namespace of its own (unshare -rn), where
// loopback is told to ignore echo requests, so nothing leaves this computer.
// Usage: bench_update_servers [rows] [timeoutMs]   (default 1000 rows, 1000 ms)
#include "core/browser/ServerRefresh.h"
#include "core/net/ModPing.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

#include <cstdio>
#include <cstring>

namespace {

constexpr char kChildFlag[] = "--in-netns";

int runInNamespace(int rows, int timeoutMs)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(QStringLiteral("unshare"),
                {QStringLiteral("-rn"), QCoreApplication::applicationFilePath(), QString::fromLatin1(kChildFlag),
                 QString::number(rows), QString::number(timeoutMs)});
    if (!child.waitForFinished(-1) || child.exitStatus() != QProcess::NormalExit) {
        std::fprintf(stderr, "cannot run in a network namespace (unshare -rn)\n");
        return 1;
    }
    return child.exitCode();
}

bool silenceLoopback()
{
    QFile ignore(QStringLiteral("/proc/sys/net/ipv4/icmp_echo_ignore_all"));
    return QProcess::execute(QStringLiteral("ip"), {"link", "set", "lo", "up"}) == 0 &&
           ignore.open(QIODevice::WriteOnly) && ignore.write("1") == 1;
}

QList<ServerRow> silentRows(int count)
{
    QList<ServerRow> rows;
    for (int i = 0; i < count; ++i) {
        ServerRow row;
        row.name = QStringLiteral("Server %1").arg(i);
        row.address = QStringLiteral("127.0.%1.%2").arg(i / 250).arg(i % 250 + 1);
        row.port = QStringLiteral("2346");
        row.up = true;
        rows.append(row);
    }
    return rows;
}

int measure(const QString &program, int count, int timeoutMs)
{
    if (!silenceLoopback()) {
        std::fprintf(stderr, "cannot bring loopback up or silence its echo in the namespace\n");
        return 1;
    }
    QList<ServerRow> rows = silentRows(count);
    ServerRefresh refresh;
    QElapsedTimer clock;
    clock.start();
    refresh.UpdateAllServers(rows, timeoutMs);
    const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    int up = 0;
    int offline = 0;
    for (const ServerRow &row : rows) {
        up += row.up ? 1 : 0;
        offline += row.ping == QLatin1String("Offline") ? 1 : 0;
    }
    const double goal = 1.5 * (timeoutMs + 2.0 * ModPing::kEchoTimeOutMs) / 1000.0;
    const double classic = count * (timeoutMs + 2.0 * ModPing::kEchoTimeOutMs) / 1000.0;
    std::printf("command: %s %d %d\n", qPrintable(program), count, timeoutMs);
    std::printf("rows: %d silent (127.0.x.y, port 2346, inside a network namespace), socket time-out %d ms\n", count,
                timeoutMs);
    std::printf("Update All Servers: %.3f s (up %d, Offline %d)\n", seconds, up, offline);
    std::printf("goal: at most %.3f s -> %s; one row after another: about %.0f s\n", goal,
                seconds <= goal ? "met" : "missed", classic);
    return up == 0 && offline == count ? 0 : 2;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const bool child = argc > 1 && std::strcmp(argv[1], kChildFlag) == 0;
    const int first = child ? 2 : 1;
    const int rows = argc > first ? std::max(1, std::atoi(argv[first])) : 1000;
    const int timeoutMs = argc > first + 1 ? std::max(0, std::atoi(argv[first + 1])) : 1000;
    if (!child)
        return runInNamespace(rows, timeoutMs);
    return measure(QCoreApplication::applicationFilePath(), rows, timeoutMs);
}
