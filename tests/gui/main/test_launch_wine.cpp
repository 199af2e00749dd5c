// Windows games started by Join through Wine: with the real Wine, a stand-in game built here by
// mingw-w64 records its folder and command line; with a stand-in wine that lacks the 32-bit
// loader, the 32-bit game is refused with the fix.
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

// Writes its current folder and its command line, as Windows gives them, into launch.txt,
// which appears whole once written.
const char kGameSource[] = R"(#include <windows.h>
#include <stdio.h>
int main(void)
{
    char folder[MAX_PATH];
    FILE *f = fopen("launch.tmp", "wb");
    GetCurrentDirectoryA(MAX_PATH, folder);
    return !f || fprintf(f, "%s\n%s\n", folder, GetCommandLineA()) < 0 || fclose(f) != 0 ||
           !MoveFileA("launch.tmp", "launch.txt");
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

    // The same game as Rogue Spear and as Eagle Watch, the two a Join can start.
    bool installGames(const QByteArray &game)
    {
        CRegUtil settings(hive.path());
        settings.SaveSettingString(HKEY_LOCAL_MACHINE, kRSRegistry, "InstallationPath", kRSFolder);
        settings.SaveSettingString(HKEY_LOCAL_MACHINE, kRB6Registry, "InstallationPath", kRB6Folder.toUpper());
        return prefix.mkpath(gameFolder(kRSFolder) + "/Mods") && prefix.mkpath(gameFolder(kRB6Folder)) &&
               WriteTestFile(gameFolder(kRSFolder) + "/roguespear.exe", game) &&
               WriteTestFile(gameFolder(kRB6Folder) + "/RainbowSixMP.exe", game);
    }
};

// Types the address into the main window and presses Join, as a player does.
void join(frmMain &w)
{
    TypeOver(w.txtIP, "127.0.0.1");
    TypeOver(w.txtPort, "2346");
    ClickOn(w.cmdJoin);
}

} // namespace

class TestLaunchWine : public IsolatedTest {
    Q_OBJECT

    QTemporaryDir m_build;

private slots:
    // One game through the real Wine: the 32-bit one as the games are, or the 64-bit one as
    // Eagle Watch where this Wine has only its 64-bit loader.
    void realWineStartsTheGame()
    {
        const QString wine = QStandardPaths::findExecutable("wine");
        if (wine.isEmpty())
            QSKIP("Wine is not installed");
        // What this Wine can start is known from its loaders before anything slow runs.
        const bool runs32 = WineRuns32Bit(wine);
        if (!runs32 && !WineRuns64Bit(wine))
            QSKIP("this Wine has neither loader (wine32:i386, wine64)");
        const QByteArray game = buildGame(QDir(m_build.path()),
                                          runs32 ? "i686-w64-mingw32-gcc" : "x86_64-w64-mingw32-gcc");
        if (game.isEmpty())
            QSKIP("the mingw-w64 compilers (Debian package gcc-mingw-w64) are not installed");
        // Quiet, and no downloads of Wine's Mono or Gecko into the fresh prefix.
        qputenv("WINEDEBUG", "-all");
        qputenv("WINEDLLOVERRIDES", "mscoree,mshtml=");
        qunsetenv("DISPLAY");
        PrefixInstall install;
        const QString prefix = install.prefix.path();
        // The game leaves Wine's server running; it must end before the prefix goes.
        const auto stopServer = qScopeGuard([&] { RunWine(prefix, "wineserver", {"-k"}); });
        int status = -1;
        RunWine(prefix, "wine", {"wineboot", "-i"}, &status);
        QCOMPARE(status, 0);
        RunWine(prefix, "wineserver", {"-w"});
        QVERIFY(install.installGames(game));

        frmMain w;
        if (!runs32)
            QTest::keyClick(w.cboGameType, Qt::Key_End);
        join(w);
        QVERIFY2(install.boxes.shown().isEmpty(), qPrintable(install.boxes.texts().join('|')));
        // Wine may be slow to start a program in a fresh prefix.
        const QString folder = runs32 ? kRSFolder : kRB6Folder;
        const QStringList lines = WaitForLines(install.gameFolder(folder) + "/launch.txt", 240000);
        QCOMPARE(lines.value(0), folder);
        QVERIFY2(lines.value(1).contains(folder + (runs32 ? "\\roguespear.exe" : "\\RainbowSixMP.exe"),
                                         Qt::CaseInsensitive) &&
                     lines.value(1).endsWith(" -client 127.0.0.1 2346"),
                 qPrintable(lines.value(1)));
    }

    // Debian's wine without wine32: the 32-bit game is refused with the fix, before any start.
    void wineWithout32BitLoader()
    {
        PrefixInstall install;
        QVERIFY(install.prefix.mkpath("dosdevices") &&
                QFile::link("../drive_c", install.prefix.filePath("dosdevices/c:")));
        QVERIFY(install.installGames(PeHeader(0x014C)));
        const QDir wineDir(install.prefix.filePath("wine-install"));
        QVERIFY(wineDir.mkpath("bin") && wineDir.mkpath("lib/wine"));
        QVERIFY(WriteTestFile(wineDir.filePath("lib/wine/wine64"), "\177ELF", true));
        QVERIFY(WriteTestFile(wineDir.filePath("bin/wine"), "#!/bin/sh\n", true));
        const ScopedEnv path("PATH", QFile::encodeName(wineDir.filePath("bin")) + ':' + qgetenv("PATH"));
        RecordingStarter starter;
        frmMain w;
        join(w);
        QCOMPARE(install.boxes.texts(),
                 QStringList{"Error Joining Server 5 roguespear.exe is a 32-bit Windows program, and the installed "
                             "Wine runs only 64-bit programs (wine32 is missing). Install wine32, as root: dpkg "
                             "--add-architecture i386 && apt-get update && apt-get install wine32:i386"});
        QVERIFY(starter.requests.isEmpty());
    }
};

QTEST_MAIN(TestLaunchWine)
#include "test_launch_wine.moc"
