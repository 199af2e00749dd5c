// Start-up and game selection of the main window, against real hive files and game folders.
#include "app/AppState.h"
#include "app/GameFolders.h"
#include "app/frmMain.h"
#include "browser/frmServerList.h"
#include "settings/MsgBox.h"
#include "settings/WinPath.h"
#include "tests/app/AppTestSupport.h"
#include "tests/common/TestSupport.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using Values = QList<QPair<QString, QString>>;

namespace {

QByteArray gameHive(const QString &rsPath, const QString &rb6Path, const QList<QPair<QString, QString>> &own = {})
{
    QByteArray hive = HiveHeader();
    if (!own.isEmpty())
        hive += HiveSection(kRedStormKey, own);
    if (!rb6Path.isNull())
        hive += HiveSection(kRB6Registry, {{QStringLiteral("InstallationPath"), rb6Path}});
    if (!rsPath.isNull())
        hive += HiveSection(kRSRegistry, {{QStringLiteral("InstallationPath"), rsPath},
                                          {QStringLiteral("MultiplayerManualHostAddress"), QStringLiteral("10.1.2.3")},
                                          {QStringLiteral("MultiplayerManualJoinPort"), QStringLiteral("2347")}});
    return hive;
}

QList<QWidget *> gameControls(const frmMain &w)
{
    return {w.cmdPost, w.cmdServerOptions, w.cmdGeneralOptions, w.cmdPlayerOptions, w.cmdSingle,
            w.cmdJoin,  w.cmdCreate,        w.imgFavDB,          w.imgFavDB1};
}

QStringList comboItems(const QComboBox *box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

QString setting(const QString &name)
{
    return CRegUtil(RegistryStore::defaultHivePath()).GetSettingString(HKEY_LOCAL_MACHINE, kRedStormKey, name, QStringLiteral("<missing>"));
}

} // namespace

class TestStartup : public QObject {
    Q_OBJECT

private slots:
    void init() { ResetProgramState(); }
    void cleanup() { ResetProgramState(); }

    void noGameInstalled()
    {
        TempHive hive;
        ScriptedMessageBox boxes;
        frmMain w;
        QCOMPARE(boxes.texts(), QStringList{QStringLiteral("Rogue Spear is not installed!")});
        QCOMPARE(boxes.shown().first().title, QStringLiteral("WARNING:"));
        QCOMPARE(boxes.shown().first().icon, MsgIcon::Exclamation);
        for (QWidget *control : gameControls(w))
            QVERIFY2(!control->isEnabled(), qPrintable(control->objectName()));
        QVERIFY(w.cmdAbout->isEnabled() && w.cmdCheckStatus->isEnabled());
        QVERIFY(frmServerList::Existing() && !frmServerList::Existing()->mnuRS->isEnabled());
        QVERIFY(frmServerList::Existing()->mnuUO->isEnabled());
        QCOMPARE(comboItems(w.cboMods), QStringList{QStringLiteral("None")});
        QCOMPARE(gGameType, kRogueSpear);
        QCOMPARE(gRegistry, kRSRegistry);
        // The own settings were empty and are now written with their defaults.
        QCOMPARE(setting(QStringLiteral("UnloadOnStart")), QStringLiteral("False"));
        QCOMPARE(setting(QStringLiteral("PostServerPosted")), QStringLiteral("False"));
        QCOMPARE(setting(QStringLiteral("PostServerUpdate")), QStringLiteral("False"));
        QCOMPARE(setting(QStringLiteral("SocketTimeOut")), QStringLiteral("1000"));
        QCOMPARE(w.SocketTimer->interval(), 1000);
        QCOMPARE(w.cmdPost->text(), QStringLiteral("Post Server"));
        QCOMPARE(w.cmdPost->toolTip(), QStringLiteral("Press here to Add your Server to the DB Server List"));
        QVERIFY(w.lblVersion->text().startsWith(QLatin1Char('v')));
        QVERIFY(!w.txtHostIP->text().isEmpty());
    }

    void installedFlags_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<bool>("rs");
        QTest::addColumn<QList<bool>>("installed");
        QTest::newRow("rogue spear only") << QStringList{QStringLiteral("RS/roguespear.exe")} << true
                                          << QList<bool>{true, false, false, false};
        QTest::newRow("urban operations, any case")
            << QStringList{QStringLiteral("RS/roguespear.exe"), QStringLiteral("RS/URBANOPERATIONS.EXE")} << true
            << QList<bool>{true, true, false, false};
        QTest::newRow("rainbow six and eagle watch")
            << QStringList{QStringLiteral("RB6/rainbowsix.exe"), QStringLiteral("RB6/RainbowSixMP.exe")} << false
            << QList<bool>{false, false, true, true};
        QTest::newRow("eagle watch file without a rainbow six path")
            << QStringList{QStringLiteral("RB6/RainbowSixMP.exe")} << false << QList<bool>{false, false, false, false};
    }

    void installedFlags()
    {
        QFETCH(QStringList, files);
        QFETCH(bool, rs);
        QFETCH(QList<bool>, installed);
        GameFolders games;
        for (const QString &file : files)
            games.addGame(file.section(QLatin1Char('/'), 0, 0), file.section(QLatin1Char('/'), 1));
        games.addFolder(QStringLiteral("RS/Mods"));
        const bool rb6 = installed[2];
        TempHive hive(gameHive(rs ? games.path(QStringLiteral("RS")) : QString(),
                               rb6 ? games.path(QStringLiteral("RB6")) : QString()));
        ScriptedMessageBox boxes;
        frmMain w;
        QCOMPARE((QList<bool>{gRSInstalled, gUOInstalled, gRB6Installed, gEWInstalled}), installed);
        QCOMPARE(boxes.shown().isEmpty(), installed[0]);
        for (QWidget *control : gameControls(w))
            QCOMPARE(control->isEnabled(), installed[0]);
        if (rs) {
            QCOMPARE(w.txtIP->text(), QStringLiteral("10.1.2.3"));
            QCOMPARE(w.txtPort->text(), QStringLiteral("2347"));
        }
        // Every game can be selected; the controls follow whether it is installed.
        for (int row : {1, 2, 3, 0}) {
            boxes.clear();
            w.cboGameType->setCurrentIndex(row);
            QCOMPARE(gGameType, kGameNames[row]);
            QCOMPARE(gRegistry, row < 2 ? kRSRegistry : kRB6Registry);
            QCOMPARE(w.cmdJoin->isEnabled(), installed[row]);
            QCOMPARE(boxes.texts().size(), installed[row] ? 0 : 1);
        }
    }

    void modsFollowTheGame()
    {
        GameFolders games;
        games.addGame(QStringLiteral("RS"), QStringLiteral("roguespear.exe"));
        games.addGame(QStringLiteral("RB6"), QStringLiteral("rainbowsix.exe"));
        games.addFolder(QStringLiteral("RS/MODS/Beta Mod"));
        games.addFolder(QStringLiteral("RS/MODS/alpha"));
        games.addGame(QStringLiteral("RS/MODS"), QStringLiteral("not-a-mod.txt"));
        TempHive hive(gameHive(games.path(QStringLiteral("RS")), games.path(QStringLiteral("RB6"))));
        ScriptedMessageBox boxes;
        frmMain w;
        QCOMPARE(comboItems(w.cboMods), (QStringList{QStringLiteral("None"), QStringLiteral("alpha"), QStringLiteral("Beta Mod")}));
        QVERIFY(w.cboMods->isEnabled());
        w.cboMods->setCurrentIndex(2);
        w.cboGameType->setCurrentIndex(2);
        QVERIFY(!w.cboMods->isEnabled());
        QCOMPARE(w.cboMods->currentText(), QStringLiteral("None"));
        w.cboMods->setCurrentIndex(1);
        w.cboGameType->setCurrentIndex(0);
        QVERIFY(w.cboMods->isEnabled());
        QCOMPARE(w.cboMods->currentText(), QStringLiteral("alpha"));
        QVERIFY(boxes.shown().isEmpty());
    }

    void missingModsFolderIsReported()
    {
        GameFolders games;
        games.addGame(QStringLiteral("RS"), QStringLiteral("roguespear.exe"));
        TempHive hive(gameHive(games.path(QStringLiteral("RS")), QString()));
        ScriptedMessageBox boxes;
        frmMain w;
        QCOMPARE(boxes.texts(), QStringList{QStringLiteral("Error in GetMods 76 Path not found")});
        QCOMPARE(comboItems(w.cboMods), QStringList{QStringLiteral("None")});
        QCOMPARE(setting(QStringLiteral("SocketTimeOut")), QStringLiteral("1000"));
    }

    void storedSettings_data()
    {
        QTest::addColumn<Values>("own");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("unwrittenAfterError");
        QTest::newRow("bad UnloadOnStart") << Values{{QStringLiteral("UnloadOnStart"), QStringLiteral("Yes")}}
                                           << QStringLiteral("Error in Form Load of frmMain 13 Type mismatch")
                                           << QStringLiteral("PostServerPosted");
        QTest::newRow("bad PostServerUpdate") << Values{{QStringLiteral("PostServerUpdate"), QStringLiteral("maybe")}}
                                              << QStringLiteral("Error in Form Load of frmMain 13 Type mismatch")
                                              << QStringLiteral("SocketTimeOut");
        QTest::newRow("time-out not a number") << Values{{QStringLiteral("SocketTimeOut"), QStringLiteral("fast")}}
                                               << QStringLiteral("Error in Form Load of frmMain 13 Type mismatch")
                                               << QString();
        QTest::newRow("time-out too large") << Values{{QStringLiteral("SocketTimeOut"), QStringLiteral("70000")}}
                                            << QStringLiteral("Error in Form Load of frmMain 380 Invalid property value")
                                            << QString();
        QTest::newRow("numbers and any case are booleans")
            << Values{{QStringLiteral("UnloadOnStart"), QStringLiteral("1")},
                      {QStringLiteral("PostServerPosted"), QStringLiteral("tRUE")},
                      {QStringLiteral("PostServerUpdate"), QStringLiteral("-1")},
                      {QStringLiteral("SocketTimeOut"), QStringLiteral("1500")}}
            << QString() << QString();
    }

    void storedSettings()
    {
        QFETCH(Values, own);
        QFETCH(QString, message);
        QFETCH(QString, unwrittenAfterError);
        GameFolders games;
        games.addGame(QStringLiteral("RS"), QStringLiteral("roguespear.exe"));
        games.addFolder(QStringLiteral("RS/Mods"));
        TempHive hive(gameHive(games.path(QStringLiteral("RS")), QString(), own));
        ScriptedMessageBox boxes;
        frmMain w;
        QCOMPARE(boxes.texts(), message.isEmpty() ? QStringList() : QStringList{message});
        if (!unwrittenAfterError.isEmpty())
            QCOMPARE(setting(unwrittenAfterError), QStringLiteral("<missing>"));
        if (message.isEmpty()) {
            QVERIFY(gUnloadOnStart);
            QVERIFY(w.mboolPosted && w.mboolUpdate);
            QCOMPARE(w.cmdPost->text(), QStringLiteral("Remove Server"));
            QCOMPARE(w.cmdPost->toolTip(), QStringLiteral("Press here to Remove your Server from the DB Server List"));
            QCOMPARE(w.SocketTimer->interval(), 1500);
            // Values that exist are never rewritten at start.
            QCOMPARE(setting(QStringLiteral("PostServerPosted")), QStringLiteral("tRUE"));
        }
    }

    void windowsPathsThroughThePrefix()
    {
        // A prefix-shaped folder: the hive beside dosdevices, C: pointing at drive_c.
        TempHive hive;
        const QDir prefix(hive.dir());
        prefix.mkpath(QStringLiteral("drive_c/Games/Rogue Spear/Mods/Some Mod"));
        QVERIFY(prefix.mkpath(QStringLiteral("dosdevices")));
        QVERIFY(QFile::link(QStringLiteral("../drive_c"), prefix.filePath(QStringLiteral("dosdevices/c:"))));
        QFile exe(prefix.filePath(QStringLiteral("drive_c/Games/Rogue Spear/RogueSpear.EXE")));
        QVERIFY(exe.open(QIODevice::WriteOnly));
        exe.close();
        QFile uo(prefix.filePath(QStringLiteral("drive_c/Games/Rogue Spear/urbanoperations.exe")));
        QVERIFY(uo.open(QIODevice::WriteOnly));
        uo.close();
        hive.write(gameHive(QStringLiteral("C:\\GAMES\\rogue spear"), QStringLiteral("D:\\Missing")));
        ScriptedMessageBox boxes;
        frmMain w;
        QVERIFY(gRSInstalled && gUOInstalled);
        QCOMPARE(comboItems(w.cboMods), (QStringList{QStringLiteral("None"), QStringLiteral("Some Mod")}));
        QCOMPARE(QDir(LocalGameFolder(gRSPath)).canonicalPath(),
                 QDir(prefix.filePath(QStringLiteral("drive_c/Games/Rogue Spear"))).canonicalPath());
        // An unmapped drive, and any Windows path outside a prefix, names no folder.
        QVERIFY(LocalGameFolder(QStringLiteral("D:\\Missing")).isEmpty());
        QVERIFY(winpath::ToLocalPath(QStringLiteral("C:\\Games"), QString()).isEmpty());
        QCOMPARE(winpath::ToLocalPath(QStringLiteral("/home/player/RS"), QString()), QStringLiteral("/home/player/RS"));
        QVERIFY(!winpath::IsWindowsPath(QStringLiteral("C")) && winpath::IsWindowsPath(QStringLiteral("c:/x")));
    }

    void serverListMenuSwitchesTheGame()
    {
        GameFolders games;
        games.addGame(QStringLiteral("RB6"), QStringLiteral("rainbowsix.exe"));
        TempHive hive(gameHive(QString(), games.path(QStringLiteral("RB6"))));
        ScriptedMessageBox boxes;
        frmMain w;
        frmServerList::Instance()->mnuRB6->trigger();
        QCOMPARE(w.cboGameType->currentText(), kRainbowSix);
        QCOMPARE(gRegistry, kRB6Registry);
        QVERIFY(w.cmdJoin->isEnabled());
        frmServerList::Instance()->mnuEW->trigger();
        QCOMPARE(gGameType, kEagleWatch);
        QVERIFY(!frmServerList::Instance()->mnuEW->isEnabled());
        QVERIFY(!w.cmdJoin->isEnabled());
    }
};

QTEST_MAIN(TestStartup)
#include "test_startup.moc"
