// The main window: start-up and game selection against real hive files and game folders, and
// the picture button by mouse, keyboard and screen reader. Run under Xvfb as well, where the
// clicks come through a real X server.
#include "core/state/AppState.h"
#include "core/state/GameFolders.h"
#include "gui/main/frmMain.h"
#include "gui/browser/frmServerList.h"
#include "tests/support/ScriptedMessageBox.h"
#include "tests/gui/support/AppTestSupport.h"
#include "tests/support/TestSupport.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>

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
            QCOMPARE(w.cmdPost->text(), "Post Server");
        }
        if (message.isEmpty()) {
            QVERIFY(gUnloadOnStart);
            QVERIFY(w.mboolPosted && w.mboolUpdate);
            QCOMPARE(w.cmdPost->text(), "Remove Server");
            QCOMPARE(w.SocketTimer->interval(), 1500);
            // Values that exist are never rewritten at start.
            QCOMPARE(StoredOwnSetting("PostServerPosted"), "tRUE");
        }
    }

    // By mouse, by keyboard alone (Tab reaches the picture, Space presses it) and by a screen
    // reader, which sees a button with a press action (its name is checked with every control's).
    void pictureButtonOpensTheServerList()
    {
        GameFolders games;
        games.addGame("RS", "roguespear.exe");
        games.addFolder("RS/Mods/Example Mod");
        TempHive hive(GameHive(games.path("RS")));
        ScriptedMessageBox boxes;
        frmMain w;
        QTemporaryDir start;
        UseEmptyFavourites(start.path());
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
        QVERIFY(boxes.shown().isEmpty());
    }
};

QTEST_MAIN(TestMainWindow)
#include "test_main_window.moc"
