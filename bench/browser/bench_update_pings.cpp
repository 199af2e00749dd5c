// "Update All Pings" on rows of 127.0.0.x that answer, and on as many distinct loopback
// addresses. Prints the median and the slowest of several runs.
// Usage: bench_update_pings [rows] [runs]   (default 1000 rows, 20 runs)
#include "core/browser/ServerRefresh.h"
#include "core/net/Echo.h"
#include "core/net/SystemEcho.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

QList<ServerRow> loopbackRows(int count, bool distinct)
{
    QList<ServerRow> rows;
    for (int i = 0; i < count; ++i) {
        ServerRow row;
        row.address = distinct ? QStringLiteral("127.0.%1.%2").arg(i / 250).arg(i % 250 + 1)
                               : QStringLiteral("127.0.0.%1").arg(i % 254 + 1);
        row.port = QStringLiteral("2346");
        rows.append(row);
    }
    return rows;
}

// Runs the refresh the given number of times; prints median, slowest and rows left offline.
double report(const char *label, int count, int runs, bool distinct, const SystemEcho &echo)
{
    ServerRefresh refresh;
    std::vector<double> times;
    int offline = 0;
    for (int run = 0; run <= runs; ++run) {
        QList<ServerRow> rows = loopbackRows(count, distinct);
        QElapsedTimer clock;
        clock.start();
        refresh.UpdatePings(rows);
        const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        if (run == 0)
            continue; // the first run warms the caches
        times.push_back(ms);
        offline += static_cast<int>(std::count_if(
            rows.begin(), rows.end(), [](const ServerRow &row) { return !row.ping.endsWith(QLatin1String("ms")); }));
    }
    std::sort(times.begin(), times.end());
    const double median = times[times.size() / 2];
    std::printf("%s: median %.2f ms, slowest %.2f ms, rows not answered %d (%s)\n", label, median, times.back(),
                offline, SystemEcho::MethodName(echo.lastMethod()));
    return median;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 20;
    SystemEcho echo;
    setEchoSeam(&echo);
    std::printf("command: %s %d %d\n", argv[0], count, runs);
    const double median = report("Update All Pings, rows of 127.0.0.x", count, runs, false, echo);
    report("Update All Pings, distinct 127.0.x.y", count, runs, true, echo);
    std::printf("goal: at most 50 ms -> %s\n", median <= 50.0 ? "met" : "missed");
    setEchoSeam(nullptr);
    return 0;
}
