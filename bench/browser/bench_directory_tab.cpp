// Opens the server list's directory tab with 5,000 entries in the embedded directory, every one
// on an address that does not answer, and reports when the rows were on screen, when every
// ping was in, and how much the resident memory grew.
//
// It runs itself again inside a user and network namespace of its own (unshare -rn), where
// loopback is up but ignores echo requests, so every 127.x address stays silent.
// Usage: bench_directory_tab   (build RelWithDebInfo or Release for figures)
#include "core/directory/EmbeddedDirectory.h"
#include "core/state/AppState.h"
#include "gui/browser/ServerGrid.h"
#include "gui/browser/frmServerList.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <unistd.h>

namespace {

constexpr int kEntries = 5000;
constexpr char kInside[] = "--inside";

long ResidentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

void Seed(const QString &path)
{
    EmbeddedDirectory directory(path);
    for (int i = 0; i < kEntries; ++i) {
        const QString address = QStringLiteral("127.1.%1.%2").arg(i / 250).arg(i % 250 + 1);
        directory.call(QStringLiteral("AddServer"),
                       {QStringLiteral("Server &#%1;s").arg(i), kRogueSpear, address, QStringLiteral("2346"),
                        QStringLiteral("none"), QStringLiteral("DSL"), QStringLiteral("key"), address},
                       {});
    }
}

// Notes when the grid first paints itself holding every entry.
class FirstFullPaint : public QObject {
public:
    FirstFullPaint(ServerGrid *grid, const QElapsedTimer &clock) : m_grid(grid), m_clock(clock)
    {
        grid->viewport()->installEventFilter(this);
    }
    qint64 at = -1;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (at < 0 && event->type() == QEvent::Paint && m_grid->DataRows() >= kEntries)
            at = m_clock.elapsed();
        return QObject::eventFilter(watched, event);
    }

private:
    ServerGrid *m_grid;
    const QElapsedTimer &m_clock;
};

int PingsMissing(const ServerGrid *grid)
{
    int missing = 0;
    for (int row = 1; row <= grid->DataRows(); ++row)
        missing += grid->Cell(row, ServerGrid::colPing).isEmpty() ? 1 : 0;
    return missing;
}

int RunInside(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    qputenv("SKIRMDECK_REGISTRY", dir.filePath(QStringLiteral("registry.hive")).toLocal8Bit());
    qputenv("SKIRMDECK_DIRECTORY_DB", dir.filePath(QStringLiteral("directory.sqlite")).toLocal8Bit());
    Seed(dir.filePath(QStringLiteral("directory.sqlite")));
    QFile favorites(dir.filePath(kRogueSpear + QStringLiteral(".txt")));
    favorites.open(QIODevice::WriteOnly);
    favorites.close();
    gGameType = kRogueSpear;
    gRegistry = kRSRegistry;
    gStartDir = dir.path();
    gSocketTimeOut = OwnSetting(QStringLiteral("SocketTimeOut"), QStringLiteral("1000"));

    frmServerList *list = frmServerList::Instance();
    list->show();
    if (!QTest::qWaitForWindowExposed(list))
        return 1;
    const long before = ResidentKb();
    QElapsedTimer clock;
    FirstFullPaint painted(list->flexDB, clock);
    clock.start();
    list->tabServers->setCurrentIndex(1);
    QCoreApplication::processEvents();
    const qint64 rowsVisible = painted.at;
    const int rows = list->flexDB->DataRows();
    while (PingsMissing(list->flexDB) > 0 && clock.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    const qint64 pingsDone = clock.elapsed();
    const long after = ResidentKb();
    std::printf("rows %d (%s), time-out %s ms\n", rows, qPrintable(list->flexDB->Cell(1, ServerGrid::colPing)),
                qPrintable(gSocketTimeOut));
    std::printf("rows visible after %lld ms (goal <= 500)\n", static_cast<long long>(rowsVisible));
    std::printf("pings complete after %lld ms (goal <= 1000), %d missing\n", static_cast<long long>(pingsDone),
                PingsMissing(list->flexDB));
    std::printf("resident memory grew %.1f MB (goal <= 30)\n", (after - before) / 1024.0);
    std::printf("command: %s\n", argv[0]);
    delete list;
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc > 1 && qstrcmp(argv[1], kInside) == 0)
        return RunInside(argc, argv);
    const char *script =
        "ip link set lo up && echo 1 > /proc/sys/net/ipv4/icmp_echo_ignore_all && exec \"$0\" --inside";
    execlp("unshare", "unshare", "-rn", "sh", "-c", script, argv[0], static_cast<char *>(nullptr));
    std::perror("unshare");
    return 1;
}
