// The whole start-up of the main window (settings reads, default writes, game detection,
// mods listing) on a realistic hive of about 2 MB. Run by hand, never by ctest:
//   QT_QPA_PLATFORM=offscreen bench_startup [runs]
#include "core/state/AppState.h"
#include "gui/main/frmMain.h"
#include "gui/browser/frmServerList.h"
#include "tests/support/ScriptedMessageBox.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// Other programs' keys, shaped like a Wine system.reg, around the games' own keys.
QByteArray realisticHive(const QString &gameFolder)
{
    QByteArray out = "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n#arch=win32\n";
    for (int k = 0; k < 2000; ++k) {
        out += "\n[Software\\\\Vendor" + QByteArray::number(k / 50) + "\\\\Product " + QByteArray::number(k) +
               "] 1735689600\n#time=1db5be019ba4000\n";
        for (int v = 0; v < 10; ++v) {
            out += "\"Value" + QByteArray::number(v) + "\"=";
            out += (v % 3 == 0) ? QByteArray("dword:0000002a\n")
                                : "\"C:\\\\Program Files\\\\Vendor\\\\Some longer text for value " +
                                      QByteArray::number(v) + " of key " + QByteArray::number(k) + " \\xe9t\\xe9\"\n";
        }
    }
    out += "\n[Software\\\\Red Storm Entertainment\\\\Rogue Spear] 1735689600\n\"InstallationPath\"=\"" +
           gameFolder.toUtf8() +
           "\"\n\"MultiplayerManualHostAddress\"=\"127.0.0.1\"\n\"MultiplayerManualJoinPort\"=\"2346\"\n";
    return out;
}

double median(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(3, QString::fromLocal8Bit(argv[1]).toInt()) : 31;
    QTemporaryDir dir;
    const QString games = dir.filePath(QStringLiteral("RS"));
    QDir().mkpath(games + QStringLiteral("/Mods/Example"));
    QFile(games + QStringLiteral("/UrbanOperations.exe")).open(QIODevice::WriteOnly);
    const QString hivePath = dir.filePath(QStringLiteral("system.reg"));
    const QByteArray hive = realisticHive(games);
    qputenv("SKIRMDECK_REGISTRY", hivePath.toLocal8Bit());
    ScriptedMessageBox quiet;

    std::vector<double> firstStart;
    std::vector<double> laterStart;
    for (int i = 0; i < runs; ++i) {
        // A fresh file each run, so the defaults are written every time, as on a first start.
        QFile file(hivePath);
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(hive);
        file.close();
        for (auto *samples : {&firstStart, &laterStart}) {
            ReleaseRegUtil();
            QElapsedTimer clock;
            clock.start();
            auto *window = new frmMain();
            samples->push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
            delete window;
            delete frmServerList::Existing();
        }
    }
    std::printf("Command: QT_QPA_PLATFORM=%s %s %d\n", qPrintable(QGuiApplication::platformName()), argv[0], runs);
    std::printf("Hive: %lld bytes; median of %d runs\n", static_cast<long long>(hive.size()), runs);
    std::printf("  start-up, defaults written (first start) %8.2f ms   goal: <= 100 ms\n", median(firstStart));
    std::printf("  start-up, defaults present               %8.2f ms   goal: <= 100 ms\n", median(laterStart));
    std::printf("  messages shown during start-up: %lld\n", static_cast<long long>(quiet.shown().size()));
    return 0;
}
