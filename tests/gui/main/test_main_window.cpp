// The main window against real hive files and game folders: start-up, game selection, the
// picture button by mouse, keyboard and screen reader, and its commands, where fake game
// executables record the arguments and folder they were started with and the quick status
// check meets a real UDP responder on 127.0.0.1. The picture button runs under Xvfb as well,
// where the clicks come through a real X server.
#include "core/directory/DirectoryClient.h"
#include "core/net/SocketControl.h"
#include "core/state/AppState.h"
#include "core/state/GameFolders.h"
#include "gui/main/frmMain.h"
#include "gui/browser/frmServerList.h"
#include "tests/core/net/UdpResponder.h"
#include "tests/support/ScriptedMessageBox.h"
#include "tests/gui/support/AppTestSupport.h"
#include "tests/support/TestSupport.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <functional>

namespace {

// Every game installed, two mods, the window open on the hive; boxes and starts recorded. A
// short time-out makes each status check quick. Updating without a posted server must not
// make Create announce anything.
struct Installation {
    GameFolders games;
    TempHive hive;
    ScriptedMessageBox boxes;
    RecordingStarter starter;

    explicit Installation(const Values &own = {})
    {
        for (const char *exe : {"roguespear.exe", "UrbanOperations.exe"})
            games.addGame("RS", exe);
        for (const char *exe : {"rainbowsix.exe", "RainbowSixMP.exe", "rainbowsixmp.exe"})
            games.addGame("RB6", exe);
        games.addFolder("RS/Mods/Foo");
        games.addFolder("RS/Mods/Blue Sky Mod");
        hive.write(GameHive(games.path("RS"), games.path("RB6"),
                            Values{{"SocketTimeOut", "600"}, {"PostServerUpdate", "True"}} + own));
        QDir().mkpath(EmbeddedDirectoryPath());
    }
    QStringList args() const { return games.recordedArguments("RS", "roguespear.exe"); }
};

void checkStatus(frmMain &w, const QString &address, const QString &port)
{
    TypeOver(w.txtIP, address);
    TypeOver(w.txtPort, port);
    ClickOn(w.cmdCheckStatus);
}

// Runs step once the window's probe wait has begun, however long the steps before it take.
void duringWait(frmMain &w, const std::function<void()> &step)
{
    QTimer::singleShot(0, &w, [&w, step] { w.SocketTimer->isActive() ? step() : duringWait(w, step); });
}

} // namespace

class TestMainWindow : public IsolatedTest {
    Q_OBJECT

private slots:
    // A game that is not installed is named once, and its commands are disabled; start-up does
    // not build the server list, it only notes the game for it.
    void installedFlags_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QList<bool>>("installed");
        QTest::newRow("rogue spear only") << QStringList{"RS/roguespear.exe"} << QList<bool>{true, false, false, false};
        QTest::newRow("rainbow six and eagle watch")
            << QStringList{"RB6/rainbowsix.exe", "RB6/RainbowSixMP.exe"} << QList<bool>{false, false, true, true};
        QTest::newRow("eagle watch file without a rainbow six path")
            << QStringList{"RB6/RainbowSixMP.exe"} << QList<bool>{false, false, false, false};
    }

    void installedFlags()
    {
        QFETCH(QStringList, files);
        QFETCH(QList<bool>, installed);
        GameFolders games;
        for (const QString &file : files)
            games.addGame(file.section('/', 0, 0), file.section('/', 1));
        games.addFolder("RS/Mods");
        TempHive hive(GameHive(installed[0] ? games.path("RS") : QString(),
                               installed[2] ? games.path("RB6") : QString(), {},
                               {{"MultiplayerManualHostAddress", "10.1.2.3"}, {"MultiplayerManualJoinPort", "2347"}}));
        ScriptedMessageBox boxes;
        frmMain w;
        QCOMPARE((QList<bool>{gRSInstalled, gUOInstalled, gRB6Installed, gEWInstalled}), installed);
        QCOMPARE(boxes.texts(), installed[0] ? QStringList() : QStringList{"Rogue Spear is not installed!"});
        QCOMPARE(gMissingGames, installed[0] ? QStringList() : QStringList{kRogueSpear});
        QVERIFY(!frmServerList::Existing());
        for (QWidget *control : QList<QWidget *>{w.cmdPost, w.cmdServerOptions, w.cmdGeneralOptions, w.cmdPlayerOptions,
                                                 w.cmdSingle, w.cmdJoin, w.cmdCreate, w.imgFavDB, w.imgFavDB1})
            QCOMPARE(control->isEnabled(), installed[0]);
        QVERIFY(w.cmdAbout->isEnabled() && w.cmdCheckStatus->isEnabled());
        QCOMPARE(w.txtIP->text() + ":" + w.txtPort->text(), installed[0] ? "10.1.2.3:2347" : ":");
        // Every game can be selected; the controls follow whether it is installed.
        for (int row : {1, 2, 3}) {
            boxes.clear();
            PickFrom(w.cboGameType, kGameNames[row]);
            QCOMPARE(gGameType, kGameNames[row]);
            QCOMPARE(gRegistry, row < 2 ? kRSRegistry : kRB6Registry);
            QCOMPARE(w.cmdJoin->isEnabled(), installed[row]);
            QCOMPARE(boxes.texts().size(), installed[row] ? 0 : 1);
        }
    }

    // Games found through the settings file's prefix, where C: leads to drive_c whatever the
    // case of the stored path; the mods follow the game.
    void modsFollowTheGame()
    {
        TempHive hive;
        const QDir prefix(hive.dir());
        const QString rs = prefix.filePath("drive_c/Games/Rogue Spear/");
        QVERIFY(prefix.mkpath(rs + "MODS/Beta Mod") && prefix.mkpath(rs + "MODS/alpha") &&
                prefix.mkpath("drive_c/R6") && prefix.mkpath("dosdevices"));
        QVERIFY(QFile::link("../drive_c", prefix.filePath("dosdevices/c:")));
        for (const QString &file : {rs + "RogueSpear.EXE", rs + "urbanoperations.exe", rs + "MODS/not-a-mod.txt",
                                    prefix.filePath("drive_c/R6/rainbowsix.exe")})
            QVERIFY(WriteTestFile(file, {}));
        hive.write(GameHive("C:\\GAMES\\rogue spear", "C:\\R6"));
        ScriptedMessageBox boxes;
        frmMain w;
        QVERIFY(gRSInstalled && gUOInstalled && gRB6Installed);
        QStringList mods;
        for (int i = 0; i < w.cboMods->count(); ++i)
            mods << w.cboMods->itemText(i);
        QCOMPARE(mods, (QStringList{"None", "alpha", "Beta Mod"}));
        // An unmapped drive names no folder.
        QVERIFY(LocalGameFolder("D:\\Missing").isEmpty());
        // The choice holds within the Rogue Spear family and falls back to "None" outside it.
        PickFrom(w.cboMods, "Beta Mod");
        PickFrom(w.cboGameType, kUrbanOperations);
        QCOMPARE(w.cboMods->currentText(), "Beta Mod");
        PickFrom(w.cboGameType, kRainbowSix);
        QVERIFY(!w.cboMods->isEnabled());
        QCOMPARE(w.cboMods->currentText(), "None");
        PickFrom(w.cboGameType, kRogueSpear);
        QVERIFY(w.cboMods->isEnabled());
        QCOMPARE(w.cboMods->currentText(), "None");
        QVERIFY(boxes.shown().isEmpty());
    }

    void storedSettings_data()
    {
        QTest::addColumn<Values>("own");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("unwrittenAfterError");
        const QString mismatch = "Error in Form Load of frmMain 13 Type mismatch";
        QTest::newRow("bad UnloadOnStart") << Values{{"UnloadOnStart", "Yes"}} << mismatch << "PostServerPosted";
        QTest::newRow("time-out too large") << Values{{"SocketTimeOut", "70000"}}
                                            << "Error in Form Load of frmMain 380 Invalid property value" << QString();
        QTest::newRow("numbers and any case are booleans") << Values{{"UnloadOnStart", "1"},
                                                                     {"PostServerPosted", "tRUE"},
                                                                     {"PostServerUpdate", "-1"},
                                                                     {"SocketTimeOut", "1500"}}
                                                           << QString() << QString();
        QTest::newRow("no mods folder") << Values{} << "Error in GetMods 76 Path not found" << QString();
    }

    void storedSettings()
    {
        QFETCH(Values, own);
        QFETCH(QString, message);
        QFETCH(QString, unwrittenAfterError);
        GameFolders games;
        games.addGame("RS", "roguespear.exe");
        if (!own.isEmpty())
            games.addFolder("RS/Mods");
        TempHive hive(GameHive(games.path("RS"), {}, own));
        ScriptedMessageBox boxes;
        frmMain w;
        QCOMPARE(boxes.texts(), message.isEmpty() ? QStringList() : QStringList{message});
        if (!unwrittenAfterError.isEmpty())
            QCOMPARE(StoredOwnSetting(unwrittenAfterError), "<missing>");
        // Empty own settings are written with their defaults.
        if (own.isEmpty()) {
            for (const char *name : {"UnloadOnStart", "PostServerPosted", "PostServerUpdate"})
                QCOMPARE(StoredOwnSetting(name), "False");
            QCOMPARE(StoredOwnSetting("SocketTimeOut"), "1000");
        }
        if (message.isEmpty()) {
            QVERIFY(gUnloadOnStart);
            QVERIFY(w.mboolPosted && w.mboolUpdate);
            QCOMPARE(w.SocketTimer->interval(), 1500);
        }
    }

    // By mouse, by keyboard alone (Tab reaches the picture, Space presses it) and by a screen
    // reader, which sees a button with a press action (its name is checked with every control's).
    void pictureButtonOpensTheServerList()
    {
        Installation install;
        frmMain w;
        UseEmptyFavourites(install.games.path());
        w.show();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        // Through the window, as the platform delivers a click: the release comes after the
        // pressed button has hidden itself.
        const QPoint at = w.imgFavDB1->geometry().center();
        QTest::mousePress(w.windowHandle(), Qt::LeftButton, {}, at);
        QVERIFY(w.imgFavDB->isVisible() && !w.imgFavDB1->isVisible());
        QTest::mouseRelease(w.windowHandle(), Qt::LeftButton, {}, at);
        QVERIFY(!w.imgFavDB->isVisible() && w.imgFavDB1->isVisible());
        QVERIFY(frmServerList::Existing() && frmServerList::Existing()->isVisible());

        QAccessibleInterface *picture = QAccessible::queryAccessibleInterface(w.imgFavDB1);
        QCOMPARE(picture->role(), QAccessible::Button);
        for (bool keyboard : {true, false}) {
            frmServerList::Existing()->close();
            QTRY_VERIFY(!frmServerList::Existing());
            w.activateWindow();
            if (keyboard) {
                for (int tab = 0; tab < 40 && QApplication::focusWidget() != w.imgFavDB1; ++tab)
                    QTest::keyClick(w.windowHandle(), Qt::Key_Tab);
                QCOMPARE(QApplication::focusWidget(), w.imgFavDB1);
                QTest::keyClick(w.windowHandle(), Qt::Key_Space);
            } else {
                picture->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
            }
            QVERIFY(frmServerList::Existing() && frmServerList::Existing()->isVisible());
            QVERIFY(w.imgFavDB1->isVisible() && !w.imgFavDB->isVisible());
        }
        QVERIFY(install.boxes.shown().isEmpty());
    }

    void commandLines_data()
    {
        QTest::addColumn<int>("game");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("mod");
        QTest::addColumn<QStringList>("commandLine"); // the executable, then each argument
        const auto row = [](const char *name, int game, const char *mode, const char *mod, const char *line) {
            QTest::newRow(name) << game << QString(mode) << QString(mod) << QString(line).split('|');
        };
        row("RS single", 0, "single", "None", "roguespear.exe");
        row("UO create mod", 1, "create", "Foo", "UrbanOperations.exe|-mods|Foo|-server|2346");
        row("UO mod with blanks", 1, "join", "Blue Sky Mod",
            "UrbanOperations.exe|-mods|Blue Sky Mod|-client|10.0.0.5|2346");
        row("RB6 join, mod ignored", 2, "join", "Foo", "rainbowsix.exe|-client|10.0.0.5|2346");
        row("EW join", 3, "join", "None", "RainbowSixMP.exe|-client|10.0.0.5|2346");
        row("EW create", 3, "create", "Foo", "rainbowsixmp.exe|-server|2346");
    }

    void commandLines()
    {
        QFETCH(int, game);
        QFETCH(QString, mode);
        QFETCH(QString, mod);
        QFETCH(QStringList, commandLine);
        Installation install;
        frmMain w;
        PickFrom(w.cboMods, mod);
        PickFrom(w.cboGameType, kGameNames[game]);
        TypeOver(w.txtIP, " 10.0.0.5 ");
        TypeOver(w.txtPort, "2346");
        // The log names the command line as the classic program built it, trailing blank and all.
        const QString executable = commandLine.takeFirst();
        const QString logged = executable + ' ' + commandLine.join(' ');
        QTest::ignoreMessage(QtInfoMsg, QRegularExpression("^Starting " + QRegularExpression::escape(logged) + " in "));
        ClickOn(mode == "join" ? w.cmdJoin : mode == "create" ? w.cmdCreate : w.cmdSingle);
        QVERIFY2(install.boxes.shown().isEmpty(), qPrintable(install.boxes.texts().join('|')));
        QCOMPARE(install.starter.requests.size(), 1);
        // The game sees the same pieces, each as one argument, started in its own folder.
        const QString folder = game < 2 ? "RS" : "RB6";
        QCOMPARE(install.games.recordedArguments(folder, executable), commandLine);
        QCOMPARE(QDir(install.games.recordedFolder(folder, executable)).canonicalPath(),
                 QDir(install.games.path(folder)).canonicalPath());
        if (mode == "join") {
            CRegUtil reg(install.hive.path());
            QCOMPARE(reg.GetSettingString(HKEY_LOCAL_MACHINE, gRegistry, "MultiplayerManualHostAddress"), "10.0.0.5");
            QCOMPARE(reg.GetSettingString(HKEY_LOCAL_MACHINE, gRegistry, "MultiplayerManualJoinPort"), "2346");
        }
    }

    // Join needs a host; blanks pass as one and are trimmed away. An empty port is filled in:
    // Join stops there, Create launches at once and writes no join settings. The status check
    // asks for the address alike and aims at the port filled in.
    void emptyHostAndPort()
    {
        Installation install;
        frmMain w;
        TypeOver(w.txtIP, "");
        TypeOver(w.txtPort, "");
        ClickOn(w.cmdJoin);
        QCOMPARE(install.boxes.texts(), QStringList{"No IP Address specified"});
        ClickOn(w.cmdCreate);
        QCOMPARE(install.args(), (QStringList{"-server", "2346"}));
        CRegUtil reg(install.hive.path());
        QCOMPARE(reg.GetSettingString(HKEY_LOCAL_MACHINE, kRSRegistry, "MultiplayerManualJoinPort", "-"), "-");
        TypeOver(w.txtIP, "   ");
        TypeOver(w.txtPort, "");
        ClickOn(w.cmdJoin);
        QCOMPARE(w.txtPort->text(), "2346");
        QCOMPARE(install.starter.requests.size(), 1);
        TypeOver(w.txtIP, "   ");
        ClickOn(w.cmdJoin);
        QTRY_COMPARE(install.args(), (QStringList{"-client", "", "2346"}));
        checkStatus(w, "", "2346");
        checkStatus(w, "127.0.0.1", "");
        QCOMPARE(w.txtPort->text(), "2346");
        QCOMPARE(w.SckServer->RemotePort(), 2346);
        checkStatus(w, "127.0.0.1", "port");
        QCOMPARE(install.boxes.texts(), (QStringList{"No IP Address specified", "No IP Address specified",
                                                     "Error in cmdCheckStatus_click 13 Type mismatch"}));
    }

    // Create announces the posted server again before the game starts, and leaves the server
    // list open; Join closes it as well, even when the launch failed. The directory's file
    // cannot be opened, so the announcement shows its failure.
    void closeAfterLaunch()
    {
        Installation install(Values{{"UnloadOnStart", "True"}, {"PostServerPosted", "True"}});
        qsizetype boxesAtLaunch = -1;
        install.starter.onStart = [&] { boxesAtLaunch = install.boxes.shown().size(); };
        for (QPushButton *frmMain::*command : {&frmMain::cmdCreate, &frmMain::cmdJoin}) {
            frmMain w;
            UseEmptyFavourites(install.games.path());
            frmServerList::Instance()->show();
            TypeOver(w.txtIP, "127.0.0.1");
            TypeOver(w.txtPort, "2346");
            ClickOn(w.*command);
            QVERIFY(!w.isVisible());
            QTRY_COMPARE(frmServerList::Existing() && frmServerList::Existing()->isVisible(),
                         command == &frmMain::cmdCreate);
            QFile::remove(install.games.path("RS/roguespear.exe"));
        }
        // The game's file was gone for Join: it says so and starts nothing.
        QCOMPARE(boxesAtLaunch, 1);
        QVERIFY(install.boxes.texts().value(0).startsWith("Error In UpdateServer from DB"));
        QCOMPARE(install.boxes.texts().mid(1), QStringList{"Error Joining Server 53 File not found"});
        QCOMPARE(install.starter.requests.size(), 1);
    }

    // A posted server that is not kept up to date is not announced when a game is created.
    void createWithoutUpdateAnnouncesNothing()
    {
        Installation install(Values{{"PostServerPosted", "True"}, {"PostServerUpdate", "False"}});
        frmMain w;
        ClickOn(w.cmdCreate);
        QCOMPARE(install.boxes.texts(), QStringList());
        QCOMPARE(install.starter.requests.size(), 1);
    }

    // An answer during the wait turns the lamp green. A check started during another's wait
    // aims anew, and its own answer is the one that counts.
    void statusLampFollowsTheAnswer()
    {
        const QImage green = QPixmap(":/skirmdeck/status_green.png").toImage();
        Installation install;
        for (bool answers : {true, false}) {
            frmMain w;
            UdpResponder first, server;
            duringWait(w, [&] {
                if (answers)
                    duringWait(w, [&] { server.answer(w.SckServer->LocalPort()); });
                checkStatus(w, "127.0.0.1 ", QString::number(server.port()));
            });
            checkStatus(w, "127.0.0.1", QString::number(first.port()));
            QCOMPARE(w.StatusUp, answers);
            QCOMPARE(w.imgStatus->pixmap().toImage() == green, answers);
            QVERIFY(w.lblPingTime->text().endsWith("ms"));
            QCOMPARE(w.txtIP->text(), "127.0.0.1");
            QCOMPARE(w.SckServer->RemotePort(), server.port());
            QVERIFY(!w.SocketTimer->isActive());
        }
        QVERIFY2(install.boxes.shown().isEmpty(), qPrintable(install.boxes.texts().join('|')));
    }
};

QTEST_MAIN(TestMainWindow)
#include "test_main_window.moc"
