// Timings of the settings store on a realistic hive (20,000 values in 2,000 keys, about 2 MB).
//
//   cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release
//   cmake --build build-release --target bench_registry
//   build-release/bench/settings/bench_registry [--iterations N] [measurement...]
//
// Each measurement registers itself in kMeasurements below; with no names given all run.
// "command" times one General Options OK (all its values as one command) against one plain
// file write; "wine" repeats it on a fresh Wine prefix while its wineserver runs (needs Wine).
#include "core/settings/CRegUtil.h"
#include "core/settings/RegistryStore.h"
#include "core/settings/RegWriteScope.h"
#include "core/settings/WineHandoff.h"
#include "core/settings/WriteLock.h"
#include "gui/options/GeneralOptionTables.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QStandardPaths>
#include <QFile>
#include <QProcess>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <QtEndian>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

namespace {

const QString kGameKey = QStringLiteral("SOFTWARE\\Red Storm Entertainment\\RogueSpear");

// What every measurement gets: the generated hive and how many samples to take.
struct BenchContext {
    QString hivePath;
    int iterations = 200;
};

struct Measurement {
    const char *name;
    std::function<void(BenchContext &)> run;
};

double median(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    return samples.empty() ? 0.0 : samples[samples.size() / 2];
}

void report(const char *what, double micros, const char *goal = nullptr)
{
    std::printf("  %-58s %12.1f us%s%s\n", what, micros, goal ? "   goal: " : "", goal ? goal : "");
    std::fflush(stdout);
}

QByteArray utf16z(const QString &text)
{
    QByteArray bytes((text.size() + 1) * 2, '\0');
    for (qsizetype i = 0; i < text.size(); ++i)
        qToLittleEndian<quint16>(text[i].unicode(), bytes.data() + 2 * i);
    return bytes;
}

// Vendors' keys with paths, numbers, flags and binary blobs, like a prefix with a few dozen
// programs installed; the games' own key is among them.
QByteArray generateHive(const QString &path)
{
    QFile::remove(path);
    RegistryStore store(path);
    // One write creates the file with its header; the rest is built in memory through the format.
    store.setValue(kGameKey, "MultiplayerManualJoinPort", REG_SZ, utf16z("2346"));
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    QByteArray text = file.readAll();
    file.close();
    text.reserve(2200000);
    for (int k = 0; k < 2000; ++k) {
        text += QStringLiteral("\n[Software\\\\Wow6432Node\\\\Vendor %1\\\\Product %2\\\\Settings %3] 1735689600\n"
                               "#time=1db5be019ba4000\n")
                    .arg(k / 100, 3, 10, QLatin1Char('0'))
                    .arg(k / 10 % 10)
                    .arg(k % 10)
                    .toUtf8();
        for (int v = 0; v < 10; ++v) {
            const QByteArray name = "\"Value" + QByteArray::number(v) + "\"=";
            switch (v % 4) {
            case 0:
                text += name + "\"C:\\\\Program Files (x86)\\\\Example Vendor " + QByteArray::number(k) +
                        "\\\\Example Product\\\\shared data\\\\resources\\\\file" + QByteArray::number(v) + ".dat\"\n";
                break;
            case 1: text += name + "dword:" + QByteArray::number(k * 10 + v, 16).rightJustified(8, '0') + "\n"; break;
            case 2:
                text += name + "\"Caf\\xe9 setting number " + QByteArray::number(v) +
                        " of this program, with a description long enough to look real\"\n";
                break;
            default: text += name + "hex:" + QByteArray(48, char(k)).toHex(',') + "\n";
            }
        }
    }
    QSaveFile out(path);
    out.open(QIODevice::WriteOnly);
    out.write(text);
    out.commit();
    return text;
}

template <class F> std::vector<double> sample(int n, F &&body)
{
    std::vector<double> samples;
    samples.reserve(size_t(n));
    QElapsedTimer timer;
    for (int i = 0; i < n; ++i) {
        timer.start();
        body(i);
        samples.push_back(double(timer.nsecsElapsed()) / 1000.0);
    }
    return samples;
}

// Times a and b in turns, n times each.
template <class A, class B> std::pair<std::vector<double>, std::vector<double>> inTurns(int n, A &&a, B &&b)
{
    std::pair<std::vector<double>, std::vector<double>> times;
    for (int i = 0; i < n; ++i) {
        times.first.push_back(sample(1, [&](int) { a(i); })[0]);
        times.second.push_back(sample(1, [&](int) { b(i); })[0]);
    }
    return times;
}

void measureReads(BenchContext &ctx)
{
    CRegUtil reg(ctx.hivePath);
    reg.GetSettingString(HKEY_LOCAL_MACHINE, kGameKey, "MultiplayerManualJoinPort");
    const double unchanged = median(sample(ctx.iterations * 10, [&](int) {
        reg.GetSettingString(HKEY_LOCAL_MACHINE, kGameKey, "MultiplayerManualJoinPort");
    }));
    report("(a) GetSettingString, file unchanged", unchanged, "<= 20 us");

    // Another process changes the file (not timed); then the read that must see it is timed.
    QProcess writer;
    writer.start(QCoreApplication::applicationFilePath(), {"--writer", ctx.hivePath});
    writer.waitForStarted();
    bool stale = false;
    std::vector<double> afterChange;
    for (int i = 0; i < std::max(ctx.iterations / 10, 5); ++i) {
        writer.write(QByteArray::number(i) + "\n");
        writer.waitForReadyRead(30000);
        writer.readAll();
        QElapsedTimer timer;
        timer.start();
        const QString got = reg.GetSettingString(HKEY_LOCAL_MACHINE, kGameKey, "MultiplayerManualJoinPort");
        afterChange.push_back(double(timer.nsecsElapsed()) / 1000.0);
        stale = stale || got != QString::number(i);
    }
    writer.closeWriteChannel();
    writer.waitForFinished();
    report("(b) GetSettingString, right after another process wrote", median(afterChange));
    if (stale)
        std::printf("  !! a read after another process's write returned the old value\n");
}

void measureWrites(BenchContext &ctx)
{
    CRegUtil reg(ctx.hivePath);
    const int n = std::max(ctx.iterations / 5, 10);
    const double write = median(sample(n, [&](int i) {
        reg.SaveSettingString(HKEY_LOCAL_MACHINE, kGameKey, "MultiplayerManualHostAddress",
                              QStringLiteral("10.0.0.%1").arg(i % 10));
    }));
    QFile file(ctx.hivePath);
    file.open(QIODevice::ReadOnly);
    const QByteArray content = file.readAll();
    file.close();
    const double plain = median(sample(n, [&](int) {
        QSaveFile out(ctx.hivePath);
        out.open(QIODevice::WriteOnly);
        out.write(content);
        out.commit();
    }));
    // The cross-process lock alone.
    const double lock = median(sample(n, [&](int) {
        WriteLock writeLock(ctx.hivePath);
        writeLock.tryLock(10000);
    }));
    report("(c) SaveSettingString (lock, check, serialize, save)", write, "<= 2x (d)");
    report("(d) one plain QSaveFile write of the same content", plain);
    report("(e) of (c): taking and releasing the write lock alone", lock);
    std::printf("  ratio (c)/(d): %.2f   ratio ((c)-(e))/(d): %.2f\n", plain > 0 ? write / plain : 0.0,
                plain > 0 ? (write - lock) / plain : 0.0);
}

// What a Rogue Spear General Options OK writes when every box was changed: its game and graphic
// boxes, the resolution and UnloadOnStart, as one command.
void generalOptionsOk(CRegUtil &reg, int i, bool asOneCommand)
{
    std::optional<RegWriteScope> command;
    if (asOneCommand)
        command.emplace(reg);
    const GeneralOptTables tables = BuildRSOptTables();
    const QString flag = i % 2 ? QStringLiteral("True") : QStringLiteral("False");
    for (const GeneralOpt &opt : tables.GameOpts + tables.GraphicOpts)
        reg.SaveSettingString(HKEY_LOCAL_MACHINE, kGameKey, opt.ValueName, flag);
    reg.SaveSettingString(HKEY_LOCAL_MACHINE, kGameKey, "VideoResolution", i % 2 ? "800x600" : "1024x768");
    reg.SaveSettingString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Red Storm Entertainment", "UnloadOnStart", flag);
}

void measureCommand(BenchContext &ctx)
{
    CRegUtil reg(ctx.hivePath);
    const int n = std::max(ctx.iterations / 5, 10);
    QFile file(ctx.hivePath);
    file.open(QIODevice::ReadOnly);
    const QByteArray content = file.readAll();
    file.close();
    // Taken in turns, so that the disk's ups and downs hit both alike.
    const auto [command, plain] = inTurns(
        n, [&](int i) { generalOptionsOk(reg, i, true); },
        [&](int) {
            QSaveFile out(ctx.hivePath + ".plain");
            out.open(QIODevice::WriteOnly);
            out.write(content);
            out.commit();
        });
    std::vector<double> ratios;
    for (size_t i = 0; i < command.size(); ++i)
        ratios.push_back(command[i] / plain[i]);
    const double oneByOne = median(sample(std::max(n / 4, 3), [&](int i) { generalOptionsOk(reg, i, false); }));
    report("(f) General Options OK, all 19 values as one command", median(command), "<= 1.5x (h)");
    report("(g) the same 19 values written one by one", oneByOne);
    report("(h) one plain QSaveFile write of the same content", median(plain));
    std::printf("  ratio (f)/(h), median of the pairs: %.2f   ratio (g)/(h): %.2f\n", median(ratios),
                oneByOne / median(plain));
}

// Runs wine, wineboot or wineserver for the prefix and waits for it.
int runWine(const QString &prefix, const QString &program, const QStringList &args)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("WINEPREFIX", prefix);
    env.insert("WINEDEBUG", "-all");
    env.insert("WINEDLLOVERRIDES", "mscoree,mshtml=");
    process.setProcessEnvironment(env);
    process.start(program, args);
    return process.waitForFinished(300000) && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

// A "wine" first on PATH that counts its starts, then runs the real one.
QString countingWine(const QString &folder)
{
    const QString log = folder + "/starts";
    QFile script(folder + "/wine");
    script.open(QIODevice::WriteOnly);
    script.write("#!/bin/sh\necho >> '" + QFile::encodeName(log) + "'\nexec '" +
                 QFile::encodeName(QStandardPaths::findExecutable("wine")) + "' \"$@\"\n");
    script.close();
    script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("PATH", QFile::encodeName(folder) + ':' + qgetenv("PATH"));
    return log;
}

// The same command on a real prefix's system.reg while its wineserver runs: the window's part
// (write and start of the import) and the import in the background, timed apart.
void measureCommandWithWine(BenchContext &ctx)
{
    if (QStandardPaths::findExecutable("wine").isEmpty()) {
        std::printf("  (wine) skipped: Wine is not installed\n");
        return;
    }
    QTemporaryDir dir;
    const QString prefix = dir.filePath("prefix");
    runWine(prefix, "wine", {"wineboot", "-i"});
    runWine(prefix, "wineserver", {"-w"});
    const QString hivePath = prefix + "/system.reg";
    if (runWine(prefix, "wineserver", {"-p"}) != 0 || !QFile::exists(hivePath)) {
        std::printf("  (wine) skipped: no prefix could be set up\n");
        return;
    }
    const QString log = countingWine(dir.path());
    CRegUtil reg(hivePath);
    const int n = std::max(ctx.iterations / 20, 5);
    const auto [command, background] = inTurns(
        n, [&](int i) { generalOptionsOk(reg, i, true); }, [](int) { winehandoff::WaitForAll(); });
    QFile starts(log);
    starts.open(QIODevice::ReadOnly);
    const qsizetype processes = starts.readAll().count('\n');
    runWine(prefix, "wineserver", {"-k"});
    std::printf("  prefix system.reg: %lld bytes; wineserver -p running\n",
                static_cast<long long>(QFileInfo(hivePath).size()));
    report("(i) General Options OK while Wine runs: the window's part", median(command));
    report("(j) its wine reg import, finished in the background", median(background));
    std::printf("  Wine processes: %lld for %d commands%s\n", static_cast<long long>(processes), n,
                winehandoff::LastFailure().isEmpty() ? "" : " -- an import FAILED");
}

const Measurement kMeasurements[] = {
    {"reads", measureReads},
    {"writes", measureWrites},
    {"command", measureCommand},
    {"wine", measureCommandWithWine},
};

// The other process of measurement (b): one write per line read from standard input.
int writerMain(const QString &path)
{
    RegistryStore store(path);
    std::string line;
    while (std::getline(std::cin, line)) {
        store.setValue(kGameKey, "MultiplayerManualJoinPort", REG_SZ, utf16z(QString::fromStdString(line)));
        std::printf("ok\n");
        std::fflush(stdout);
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.value(0) == "--writer")
        return writerMain(args.value(1));

    BenchContext ctx;
    if (args.value(0) == "--iterations") {
        ctx.iterations = std::max(10, args.value(1).toInt());
        args = args.mid(2);
    }
    QTemporaryDir dir;
    ctx.hivePath = dir.filePath("system.reg");
    const QByteArray hive = generateHive(ctx.hivePath);
    std::printf("Command: %s\n", qPrintable(QCoreApplication::arguments().join(' ')));
    std::printf("Hive: %lld bytes, 2,000 keys, 20,000 values; median of %d samples per figure\n",
                static_cast<long long>(hive.size()), ctx.iterations);
    for (const Measurement &m : kMeasurements) {
        if (args.isEmpty() || args.contains(QString::fromLatin1(m.name)))
            m.run(ctx);
    }
    return 0;
}
