// Windows games started by Join through Wine: with the real Wine, stand-in games built here by
// mingw-w64 (32-bit and 64-bit) record their folder and command line, each where the Wine found
// has its loader (the other half is reported as skipped); with a stand-in wine that lacks the
// 32-bit loader, the 32-bit game is refused with the fix and the 64-bit one starts.
#include "core/settings/CRegUtil.h"
#include "core/state/AppState.h"
#include "core/state/WindowsProgram.h"
#include "gui/main/frmMain.h"
#include "tests/gui/support/AppTestSupport.h"
#include "tests/support/ScriptedMessageBox.h"
#include "tests/support/TestSupport.h"
#include "tests/support/WineWatch.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTest>

namespace {

// Writes its current folder and its command line, as Windows gives them, into launch.txt.
const char kGameSource[] = R"(#include <windows.h>
#include <stdio.h>
int main(void)
{
    char folder[MAX_PATH];
    FILE *f = fopen("launch.txt", "wb");
    GetCurrentDirectoryA(MAX_PATH, folder);
    return !f || fprintf(f, "%s\n%s\n", folder, GetCommandLineA()) < 0 || fclose(f) != 0;
}
)";

const QString kRSFolder = QStringLiteral("C:\\Games\\Rogue Spear");
const QString kRB6Folder = QStringLiteral("C:\\Games\\Rainbow Six");

// The stand-in game built by that compiler, or nothing when it is missing or fails.
QByteArray buildGame(const QDir &dir, const QString &compiler)
{
    if (QStandardPaths::findExecutable(compiler).isEmpty() || !WriteTestFile(dir.filePath("game.c"), kGameSource))
        return QByteArray();
    const QString output = dir.filePath(compiler + ".exe");
    QProcess cc;
    cc.start(compiler, {"-O", "-o", output, dir.filePath("game.c")});
    return cc.waitForFinished(120000) && cc.exitCode() == 0 ? ReadTestFile(output) : QByteArray();
}

// The prefix holding the settings file, with Rogue Spear and Rainbow Six under C:\Games.
struct PrefixInstall {
    TempHive hive;
    QDir prefix{hive.dir()};
    ScriptedMessageBox boxes;

    QString gameFolder(const QString &windowsFolder) const
    {
        return prefix.filePath("drive_c/" + windowsFolder.mid(3).replace('\\', '/'));
    }

    // The 32-bit game as Rogue Spear, the 64-bit one as both Rainbow Six programs.
    bool installGames(const QByteArray &game32, const QByteArray &game64)
    {
        CRegUtil settings(hive.path());
        settings.SaveSettingString(HKEY_LOCAL_MACHINE, kRSRegistry, "InstallationPath", kRSFolder);
        settings.SaveSettingString(HKEY_LOCAL_MACHINE, kRB6Registry, "InstallationPath", kRB6Folder.toUpper());
        return prefix.mkpath(gameFolder(kRSFolder) + "/Mods") && prefix.mkpath(gameFolder(kRB6Folder)) &&
               WriteTestFile(gameFolder(kRSFolder) + "/roguespear.exe", game32) &&
               WriteTestFile(gameFolder(kRB6Folder) + "/rainbowsix.exe", game64) &&
               WriteTestFile(gameFolder(kRB6Folder) + "/RainbowSixMP.exe", game64);
    }
};

// Starts the game as a child of the test, so that a launch is waited for until the game ends
// instead of until a file appears that a failed launch never writes.
class GameStarter : public ProcessStarter {
public:
    Q_DISABLE_COPY(GameStarter)
    GameStarter() : m_previous(setProcessStarter(this)) {}
    ~GameStarter() override { setProcessStarter(m_previous); }

    bool start(const ProcessRequest &request) override
    {
        ++starts;
        game.setProgram(request.program);
        game.setArguments(request.arguments);
        game.setWorkingDirectory(request.workingFolder);
        game.setProcessEnvironment(request.environment);
        game.setStandardInputFile(QProcess::nullDevice());
        game.start();
        return game.waitForStarted();
    }

    QProcess game;
    int starts = 0;

private:
    ProcessStarter *m_previous;
};

// Types the address into the main window and presses Join, as a player does.
void join(frmMain &w)
{
    TypeOver(w.txtIP, "127.0.0.1");
    TypeOver(w.txtPort, "2346");
    ClickOn(w.cmdJoin);
}

// The launch started one game, which ran in that Windows folder with the join arguments. A
// Wine slow to start a program in a fresh prefix is waited for, a game that hangs is not.
void expectLaunch(const PrefixInstall &install, GameStarter &starter, int starts, const QString &folder,
                  const QString &executable)
{
    QVERIFY2(install.boxes.shown().isEmpty(), qPrintable(install.boxes.texts().join('|')));
    QCOMPARE(starter.starts, starts);
    QVERIFY(QTest::qWaitFor([&] { return starter.game.state() == QProcess::NotRunning; }, 240000));
    QCOMPARE(starter.game.exitCode(), 0);
    const QStringList lines =
        QString::fromLocal8Bit(ReadTestFile(install.gameFolder(folder) + "/launch.txt")).split('\n');
    QCOMPARE(lines.value(0), folder);
    QVERIFY2(lines.value(1).contains(folder + "\\" + executable, Qt::CaseInsensitive) &&
                 lines.value(1).endsWith(" -client 127.0.0.1 2346"),
             qPrintable(lines.value(1)));
}

} // namespace

class TestLaunchWine : public IsolatedTest {
    Q_OBJECT

    QTemporaryDir m_build;

private slots:
    void realWineStartsBothGames()
    {
        const QString wine = QStandardPaths::findExecutable("wine");
        if (wine.isEmpty())
            QSKIP("Wine is not installed");
        // What this Wine can start is known from its loaders before anything slow runs.
        const bool runs32 = WineRuns32Bit(wine);
        if (!runs32 && !WineRuns64Bit(wine))
            QSKIP("this Wine has neither loader (wine32:i386, wine64)");
        const QByteArray game32 = buildGame(QDir(m_build.path()), "i686-w64-mingw32-gcc");
        const QByteArray game64 = buildGame(QDir(m_build.path()), "x86_64-w64-mingw32-gcc");
        if (game32.isEmpty() || game64.isEmpty())
            QSKIP("the mingw-w64 compilers (Debian package gcc-mingw-w64) are not installed");
        // Quiet, and no downloads of Wine's Mono or Gecko into the fresh prefix.
        qputenv("WINEDEBUG", "-all");
        qputenv("WINEDLLOVERRIDES", "mscoree,mshtml=");
        qunsetenv("DISPLAY");
        PrefixInstall install;
        const QString prefix = install.prefix.path();
        // The games leave Wine's server running; it must end before the prefix goes.
        const auto stopServer = qScopeGuard([&] { RunWine(prefix, "wineserver", {"-k"}); });
        int status = -1;
        RunWine(prefix, "wine", {"wineboot", "-i"}, &status);
        QCOMPARE(status, 0);
        RunWine(prefix, "wineserver", {"-w"});
        // Only a win64 prefix, which Wine makes when it has its 64-bit loader, runs the 64-bit game.
        const QString arch = PrefixArch(prefix);
        QVERIFY2(arch == "win32" || arch == "win64", qPrintable("#arch=" + arch));
        const bool runs64 = arch == "win64";
        QVERIFY(install.installGames(game32, game64));

        GameStarter starter;
        frmMain w;
        w.show();
        if (runs32) {
            join(w);
            expectLaunch(install, starter, 1, kRSFolder, "roguespear.exe");
            if (QTest::currentTestFailed())
                return;
        }
        if (runs64) {
            QTest::keyClick(w.cboGameType, Qt::Key_End);
            QCOMPARE(gGameType, kEagleWatch);
            join(w);
            expectLaunch(install, starter, runs32 ? 2 : 1, kRB6Folder, "RainbowSixMP.exe");
        }
        if (!runs32)
            QSKIP("this Wine has no 32-bit loader (wine32:i386): only the 64-bit game was started");
        if (!runs64)
            QSKIP("this Wine has no 64-bit loader (wine64) and made a win32 prefix: only the 32-bit game "
                  "was started");
    }

    // Debian's wine without wine32: the 32-bit game is refused with the fix, the 64-bit one
    // starts through wine in the settings file's prefix and the game's folder.
    void wineWithout32BitLoader()
    {
        PrefixInstall install;
        QVERIFY(install.prefix.mkpath("dosdevices") &&
                QFile::link("../drive_c", install.prefix.filePath("dosdevices/c:")));
        QVERIFY(install.installGames(PeHeader(0x014C), PeHeader(0x8664)));
        const QDir wineDir(install.prefix.filePath("wine-install"));
        QVERIFY(wineDir.mkpath("bin") && wineDir.mkpath("lib/wine"));
        QVERIFY(WriteTestFile(wineDir.filePath("lib/wine/wine64"), "\177ELF", true));
        // Records its arguments, WINEPREFIX and working folder.
        QVERIFY(WriteTestFile(
            wineDir.filePath("bin/wine"),
            "#!/bin/sh\nlog=\"$(dirname \"$0\")/wine.log\"\n{ for a in \"$@\"; do printf '%s\\n' \"$a\"; "
            "done; printf '%s\\n' \"$WINEPREFIX\" \"$(pwd)\"; } > \"$log.tmp\"\nmv \"$log.tmp\" \"$log\"\n",
            true));
        const ScopedEnv path("PATH", QFile::encodeName(wineDir.filePath("bin")) + ':' + qgetenv("PATH"));
        RecordingStarter starter;
        frmMain w;
        w.show();
        join(w);
        QCOMPARE(install.boxes.texts(),
                 QStringList{"Error Joining Server 5 roguespear.exe is a 32-bit Windows program, and the installed "
                             "Wine runs only 64-bit programs (wine32 is missing). Install wine32, as root: dpkg "
                             "--add-architecture i386 && apt-get update && apt-get install wine32:i386"});
        QVERIFY(starter.requests.isEmpty());

        install.boxes.clear();
        QTest::keyClick(w.cboGameType, Qt::Key_End);
        join(w);
        QVERIFY2(install.boxes.shown().isEmpty(), qPrintable(install.boxes.texts().join('|')));
        QCOMPARE(starter.requests.size(), 1);
        // The stored path "C:\GAMES\RAINBOW SIX" is found through the prefix's C: whatever its case.
        const QString folder = install.prefix.filePath("dosdevices/c:/Games/Rainbow Six");
        QCOMPARE(WaitForLines(wineDir.filePath("bin/wine.log")),
                 (QStringList{folder + "/RainbowSixMP.exe", "-client", "127.0.0.1", "2346",
                              install.prefix.absolutePath(), QDir(folder).canonicalPath()}));
    }
};

QTEST_MAIN(TestLaunchWine)
#include "test_launch_wine.moc"
