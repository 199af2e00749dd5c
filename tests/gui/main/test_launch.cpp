// Launching the games: fake game executables record the arguments and folder they were started with.
#include "core/state/AppState.h"
#include "gui/main/frmMain.h"
#include "gui/browser/frmServerList.h"
#include "core/directory/DirectoryClient.h"
#include "tests/support/ScriptedMessageBox.h"
#include "tests/gui/support/AppTestSupport.h"
#include "tests/support/TestSupport.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QTest>

namespace {

QStringList gLaunchLog;
void collectLaunchLog(QtMsgType, const QMessageLogContext &context, const QString &message)
{
    if (QByteArray(context.category) == "skirmdeck.launch")
        gLaunchLog << message;
}

// Every game installed, two mods, the window open on the hive; boxes and starts recorded.
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
        hive.write(GameHive(games.path("RS"), games.path("RB6"), own));
    }
    QStringList args(const QString &exe = "roguespear.exe") const { return games.recordedArguments("RS", exe); }
};

} // namespace

class TestLaunch : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { qInstallMessageHandler(collectLaunchLog); }
    void init()
    {
        ResetProgramState();
        gLaunchLog.clear();
    }
    void cleanup() { ResetProgramState(); }

    void commandLines_data()
    {
        QTest::addColumn<int>("game");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("mod");
        QTest::addColumn<QString>("commandLine");
        QTest::newRow("RS join") << 0 << "join"
                                 << "None"
                                 << "roguespear.exe -client 10.0.0.5 2346";
        QTest::newRow("RS join mod") << 0 << "join"
                                     << "Foo"
                                     << "roguespear.exe -mods Foo -client 10.0.0.5 2346";
        QTest::newRow("RS create") << 0 << "create"
                                   << "None"
                                   << "roguespear.exe -server 2346";
        QTest::newRow("RS single") << 0 << "single"
                                   << "None"
                                   << "roguespear.exe ";
        QTest::newRow("RS single mod") << 0 << "single"
                                       << "Foo"
                                       << "roguespear.exe -mods Foo";
        QTest::newRow("UO join") << 1 << "join"
                                 << "None"
                                 << "UrbanOperations.exe -client 10.0.0.5 2346";
        QTest::newRow("UO create mod") << 1 << "create"
                                       << "Foo"
                                       << "UrbanOperations.exe -mods Foo -server 2346";
        QTest::newRow("UO single") << 1 << "single"
                                   << "None"
                                   << "UrbanOperations.exe ";
        QTest::newRow("UO mod with blanks") << 1 << "join"
                                            << "Blue Sky Mod"
                                            << "UrbanOperations.exe -mods Blue Sky Mod -client 10.0.0.5 2346";
        QTest::newRow("RB6 join, mod ignored") << 2 << "join"
                                               << "Foo"
                                               << "rainbowsix.exe -client 10.0.0.5 2346";
        QTest::newRow("RB6 create") << 2 << "create"
                                    << "None"
                                    << "rainbowsix.exe -server 2346";
        QTest::newRow("RB6 single") << 2 << "single"
                                    << "None"
                                    << "rainbowsix.exe ";
        QTest::newRow("EW join") << 3 << "join"
                                 << "None"
                                 << "RainbowSixMP.exe -client 10.0.0.5 2346";
        QTest::newRow("EW create") << 3 << "create"
                                   << "Foo"
                                   << "rainbowsixmp.exe -server 2346";
        QTest::newRow("EW single") << 3 << "single"
                                   << "None"
                                   << "RainbowSixMP.exe ";
    }

    void commandLines()
    {
        QFETCH(int, game);
        QFETCH(QString, mode);
        QFETCH(QString, mod);
        QFETCH(QString, commandLine);
        Installation install;
        frmMain w;
        w.cboMods->setCurrentIndex(w.cboMods->findText(mod));
        w.cboGameType->setCurrentIndex(game);
        w.txtIP->setText(" 10.0.0.5 ");
        w.txtPort->setText("2346");
        if (mode == "join")
            w.cmdJoin_Click();
        else if (mode == "create")
            w.cmdCreate_Click();
        else
            w.cmdSingle_Click();
        QVERIFY2(install.boxes.shown().isEmpty(), qPrintable(install.boxes.texts().join('|')));
        QCOMPARE(install.starter.requests.size(), 1);
        QVERIFY(gLaunchLog.last().contains("Starting " + commandLine + " in "));
        // The game sees the same pieces, each as one argument, started in its own folder.
        const QString folder = game < 2 ? "RS" : "RB6", executable = commandLine.section(' ', 0, 0);
        QStringList expected = commandLine.section(' ', 1).split(' ', Qt::SkipEmptyParts);
        if (mod == "Blue Sky Mod")
            expected = {"-mods", mod, "-client", "10.0.0.5", "2346"};
        QCOMPARE(install.games.recordedArguments(folder, executable), expected);
        QCOMPARE(QDir(install.games.recordedFolder(folder, executable)).canonicalPath(),
                 QDir(install.games.path(folder)).canonicalPath());
        QCOMPARE(QDir::currentPath(), gStartDir);
        if (mode == "join") {
            CRegUtil reg(install.hive.path());
            QCOMPARE(reg.GetSettingString(HKEY_LOCAL_MACHINE, gRegistry, "MultiplayerManualHostAddress"), "10.0.0.5");
            QCOMPARE(reg.GetSettingString(HKEY_LOCAL_MACHINE, gRegistry, "MultiplayerManualJoinPort"), "2346");
        }
    }

    void emptyHostAndPort()
    {
        Installation install;
        frmMain w;
        w.txtIP->clear();
        w.txtPort->clear();
        w.cmdJoin_Click();
        QCOMPARE(install.boxes.texts(), QStringList{"No IP Address specified"});
        QCOMPARE(install.boxes.shown().first().icon, MsgIcon::None);
        // Join fills in the default port and stops; the next press launches.
        w.txtIP->setText("host.example");
        w.cmdJoin_Click();
        QCOMPARE(w.txtPort->text(), "2346");
        QVERIFY(install.starter.requests.isEmpty());
        w.cmdJoin_Click();
        QCOMPARE(install.args(), (QStringList{"-client", "host.example", "2346"}));
    }

    // Create fills the port in and launches at once, writing no join settings.
    void createFillsThePort()
    {
        Installation install;
        frmMain w;
        w.txtPort->clear();
        w.cmdCreate_Click();
        QCOMPARE(w.txtPort->text(), "2346");
        QCOMPARE(install.args(), (QStringList{"-server", "2346"}));
        QCOMPARE(CRegUtil(install.hive.path())
                     .GetSettingString(HKEY_LOCAL_MACHINE, kRSRegistry, "MultiplayerManualJoinPort", "-"),
                 "-");
    }

    // Create leaves the server list open, Join closes it as well.
    void closeAfterLaunch()
    {
        Installation install(Values{{"UnloadOnStart", "True"}});
        {
            frmMain w;
            w.show();
            frmServerList::Instance()->show();
            w.txtPort->setText("2346");
            w.cmdCreate_Click();
            QVERIFY(!w.isVisible());
            QVERIFY(frmServerList::Existing() && frmServerList::Existing()->isVisible());
        }
        frmMain w;
        w.show();
        w.txtIP->setText("127.0.0.1");
        w.txtPort->setText("2346");
        w.cmdJoin_Click();
        QVERIFY(!w.isVisible());
        QTRY_VERIFY(!frmServerList::Existing() || !frmServerList::Existing()->isVisible());
        QCOMPARE(install.starter.requests.size(), 2);
    }

    void missingFilesAreReported()
    {
        Installation install;
        frmMain w;
        QFile::remove(install.games.path("RS/roguespear.exe"));
        w.cmdSingle_Click();
        QCOMPARE(install.boxes.texts(), QStringList{"Error in Play Single 53 File not found"});
        QDir(install.games.path("RB6")).removeRecursively();
        w.cboGameType->setCurrentIndex(2);
        install.boxes.clear();
        w.txtIP->setText("1.2.3.4");
        w.txtPort->setText("1");
        w.cmdJoin_Click();
        QCOMPARE(install.boxes.texts(), QStringList{"Error Joining Server 76 Path not found"});
        QVERIFY(install.starter.requests.isEmpty());
    }

    void createReannouncesThePostedServer_data()
    {
        QTest::addColumn<bool>("posted");
        QTest::addColumn<bool>("update");
        QTest::newRow("both") << true << true;
        QTest::newRow("posted only") << true << false;
        QTest::newRow("update only") << false << true;
    }

    void createReannouncesThePostedServer()
    {
        QFETCH(bool, posted);
        QFETCH(bool, update);
        Installation install(Values{{"PostServerPosted", posted ? "True" : "False"},
                                    {"PostServerUpdate", update ? "True" : "False"},
                                    {"PostServerIP", "10.9.9.1"},
                                    {"PostServerPassword", "key"},
                                    {"PostServerSource", "10.9.9.1"}});
        // Two entries; a refresh of the older one puts it first in the listing.
        AddServer("Mine", kRogueSpear, "10.9.9.1", "2346", QString(), "DSL", "key", "10.9.9.1");
        QTest::qWait(1100);
        AddServer("Other", kRogueSpear, "10.9.9.2", "2346", QString(), "DSL", "k2", "10.9.9.2");
        QTest::qWait(1100);
        QCOMPARE(ActiveServers(kRogueSpear).first().name, "Other");
        QString firstAtLaunch;
        install.starter.onStart = [&] { firstAtLaunch = ActiveServers(kRogueSpear).first().name; };
        frmMain w;
        w.cmdCreate_Click();
        QCOMPARE(install.starter.requests.size(), 1);
        QCOMPARE(firstAtLaunch, posted && update ? "Mine" : "Other");
        QVERIFY(install.boxes.shown().isEmpty());
    }
};

QTEST_MAIN(TestLaunch)
#include "test_launch.moc"
