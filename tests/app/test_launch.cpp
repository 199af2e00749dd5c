// Launching the games: fake game executables record the arguments and folder they were started with.
#include "app/AppState.h"
#include "app/ModUtil.h"
#include "app/ProcessStart.h"
#include "app/frmMain.h"
#include "browser/frmServerList.h"
#include "directory/DirectoryClient.h"
#include "settings/MsgBox.h"
#include "tests/app/AppTestSupport.h"
#include "tests/common/TestSupport.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QTest>

namespace {

// Starts the real process, keeping a record of each request and of what the directory
// said at that moment.
class RecordingStarter : public ProcessStarter {
public:
    RecordingStarter() : m_previous(setProcessStarter(this)) {}
    ~RecordingStarter() override { setProcessStarter(m_previous); }
    RecordingStarter(const RecordingStarter &) = delete;
    RecordingStarter &operator=(const RecordingStarter &) = delete;

    bool start(const ProcessRequest &request) override
    {
        requests.append(request);
        if (onStart)
            onStart();
        setProcessStarter(nullptr);
        const bool ok = StartProcess(request);
        setProcessStarter(this);
        return ok;
    }

    QList<ProcessRequest> requests;
    std::function<void()> onStart;

private:
    ProcessStarter *m_previous;
};

// Collects the launch log lines.
QStringList gLaunchLog;
void collectLaunchLog(QtMsgType, const QMessageLogContext &context, const QString &message)
{
    if (QByteArray(context.category) == "skirmdeck.launch")
        gLaunchLog << message;
}

struct Installation {
    GameFolders games;
    Installation()
    {
        games.addGame(QStringLiteral("RS"), QStringLiteral("roguespear.exe"));
        games.addGame(QStringLiteral("RS"), QStringLiteral("UrbanOperations.exe"));
        games.addGame(QStringLiteral("RB6"), QStringLiteral("rainbowsix.exe"));
        games.addGame(QStringLiteral("RB6"), QStringLiteral("RainbowSixMP.exe"));
        games.addGame(QStringLiteral("RB6"), QStringLiteral("rainbowsixmp.exe"));
        games.addFolder(QStringLiteral("RS/Mods/Foo"));
        games.addFolder(QStringLiteral("RS/Mods/Blue Sky Mod"));
    }
    QByteArray hive(const QList<QPair<QString, QString>> &own = {}) const
    {
        QByteArray text = HiveHeader();
        if (!own.isEmpty())
            text += HiveSection(kRedStormKey, own);
        text += HiveSection(kRB6Registry, {{QStringLiteral("InstallationPath"), games.path(QStringLiteral("RB6"))}});
        text += HiveSection(kRSRegistry, {{QStringLiteral("InstallationPath"), games.path(QStringLiteral("RS"))}});
        return text;
    }
};

QString folderOf(const QString &game) { return IsRSFamily(game) ? QStringLiteral("RS") : QStringLiteral("RB6"); }

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
        QTest::addColumn<QString>("executable");
        QTest::addColumn<QString>("commandLine");
        const QString rs = QStringLiteral("roguespear.exe"), uo = QStringLiteral("UrbanOperations.exe");
        const QString rb = QStringLiteral("rainbowsix.exe"), ewJoin = QStringLiteral("RainbowSixMP.exe");
        const QString ewCreate = QStringLiteral("rainbowsixmp.exe");
        QTest::newRow("RS join") << 0 << "join" << "None" << rs << "roguespear.exe -client 10.0.0.5 2346";
        QTest::newRow("RS join mod") << 0 << "join" << "Foo" << rs << "roguespear.exe -mods Foo -client 10.0.0.5 2346";
        QTest::newRow("RS create") << 0 << "create" << "None" << rs << "roguespear.exe -server 2346";
        QTest::newRow("RS single") << 0 << "single" << "None" << rs << "roguespear.exe ";
        QTest::newRow("RS single mod") << 0 << "single" << "Foo" << rs << "roguespear.exe -mods Foo";
        QTest::newRow("UO join") << 1 << "join" << "None" << uo << "UrbanOperations.exe -client 10.0.0.5 2346";
        QTest::newRow("UO create mod") << 1 << "create" << "Foo" << uo << "UrbanOperations.exe -mods Foo -server 2346";
        QTest::newRow("UO single") << 1 << "single" << "None" << uo << "UrbanOperations.exe ";
        QTest::newRow("UO mod with blanks") << 1 << "join" << "Blue Sky Mod" << uo
                                            << "UrbanOperations.exe -mods Blue Sky Mod -client 10.0.0.5 2346";
        QTest::newRow("RB6 join, mod ignored") << 2 << "join" << "Foo" << rb << "rainbowsix.exe -client 10.0.0.5 2346";
        QTest::newRow("RB6 create") << 2 << "create" << "None" << rb << "rainbowsix.exe -server 2346";
        QTest::newRow("RB6 single") << 2 << "single" << "None" << rb << "rainbowsix.exe ";
        QTest::newRow("EW join") << 3 << "join" << "None" << ewJoin << "RainbowSixMP.exe -client 10.0.0.5 2346";
        QTest::newRow("EW create") << 3 << "create" << "Foo" << ewCreate << "rainbowsixmp.exe -server 2346";
        QTest::newRow("EW single") << 3 << "single" << "None" << ewJoin << "RainbowSixMP.exe ";
    }

    void commandLines()
    {
        QFETCH(int, game);
        QFETCH(QString, mode);
        QFETCH(QString, mod);
        QFETCH(QString, executable);
        QFETCH(QString, commandLine);
        Installation install;
        TempHive hive(install.hive());
        ScriptedMessageBox boxes;
        RecordingStarter starter;
        frmMain w;
        w.cboMods->setCurrentIndex(w.cboMods->findText(mod));
        w.cboGameType->setCurrentIndex(game);
        w.txtIP->setText(QStringLiteral(" 10.0.0.5 "));
        w.txtPort->setText(QStringLiteral("2346"));
        if (mode == QLatin1String("join"))
            w.cmdJoin_Click();
        else if (mode == QLatin1String("create"))
            w.cmdCreate_Click();
        else
            w.cmdSingle_Click();
        QVERIFY2(boxes.shown().isEmpty(), qPrintable(boxes.texts().join(QLatin1Char('|'))));
        QCOMPARE(starter.requests.size(), 1);
        QVERIFY(gLaunchLog.last().contains(QStringLiteral("Starting ") + commandLine + QStringLiteral(" in ")));
        const QString folder = folderOf(kGameNames[game]);
        // The game sees the same pieces, each as one argument, started in its own folder.
        QStringList expected = commandLine.section(QLatin1Char(' '), 1).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (mod == QLatin1String("Blue Sky Mod"))
            expected = {QStringLiteral("-mods"), mod, QStringLiteral("-client"), QStringLiteral("10.0.0.5"), QStringLiteral("2346")};
        QCOMPARE(install.games.recordedArguments(folder, executable), expected);
        QCOMPARE(QDir(install.games.recordedFolder(folder, executable)).canonicalPath(),
                 QDir(install.games.path(folder)).canonicalPath());
        QCOMPARE(QDir::currentPath(), gStartDir);
        if (mode == QLatin1String("join")) {
            CRegUtil reg(hive.path());
            QCOMPARE(reg.GetSettingString(HKEY_LOCAL_MACHINE, gRegistry, QStringLiteral("MultiplayerManualHostAddress")),
                     QStringLiteral("10.0.0.5"));
            QCOMPARE(reg.GetSettingString(HKEY_LOCAL_MACHINE, gRegistry, QStringLiteral("MultiplayerManualJoinPort")),
                     QStringLiteral("2346"));
        }
    }

    void joinNeedsHostAndPort()
    {
        Installation install;
        TempHive hive(install.hive());
        ScriptedMessageBox boxes;
        RecordingStarter starter;
        frmMain w;
        w.txtIP->clear();
        w.txtPort->clear();
        w.cmdJoin_Click();
        QCOMPARE(boxes.texts(), QStringList{QStringLiteral("No IP Address specified")});
        QCOMPARE(boxes.shown().first().icon, MsgIcon::None);
        w.txtIP->setText(QStringLiteral("host.example"));
        w.cmdJoin_Click();
        QCOMPARE(w.txtPort->text(), QStringLiteral("2346"));
        QVERIFY(starter.requests.isEmpty());
        w.cmdJoin_Click();
        QCOMPARE(starter.requests.size(), 1);
        QCOMPARE(install.games.recordedArguments(QStringLiteral("RS"), QStringLiteral("roguespear.exe")),
                 (QStringList{QStringLiteral("-client"), QStringLiteral("host.example"), QStringLiteral("2346")}));
    }

    void createFillsThePortAndLaunches()
    {
        Installation install;
        TempHive hive(install.hive());
        ScriptedMessageBox boxes;
        RecordingStarter starter;
        frmMain w;
        w.txtPort->clear();
        w.cmdCreate_Click();
        QCOMPARE(w.txtPort->text(), QStringLiteral("2346"));
        QCOMPARE(install.games.recordedArguments(QStringLiteral("RS"), QStringLiteral("roguespear.exe")),
                 (QStringList{QStringLiteral("-server"), QStringLiteral("2346")}));
        // Create writes no join settings.
        QCOMPARE(CRegUtil(hive.path()).GetSettingString(HKEY_LOCAL_MACHINE, kRSRegistry,
                                                        QStringLiteral("MultiplayerManualJoinPort"), QStringLiteral("-")),
                 QStringLiteral("-"));
    }

    void closeAfterLaunch()
    {
        Installation install;
        TempHive hive(install.hive({{QStringLiteral("UnloadOnStart"), QStringLiteral("True")}}));
        ScriptedMessageBox boxes;
        RecordingStarter starter;
        {
            frmMain w;
            w.show();
            frmServerList::Instance()->show();
            w.txtPort->setText(QStringLiteral("2346"));
            w.cmdCreate_Click();
            QVERIFY(!w.isVisible());
            QVERIFY(frmServerList::Existing() && frmServerList::Existing()->isVisible());
        }
        frmMain w;
        w.show();
        w.txtIP->setText(QStringLiteral("127.0.0.1"));
        w.txtPort->setText(QStringLiteral("2346"));
        w.cmdJoin_Click();
        QVERIFY(!w.isVisible());
        QTRY_VERIFY(!frmServerList::Existing() || !frmServerList::Existing()->isVisible());
        QCOMPARE(starter.requests.size(), 2);
    }

    void missingFilesAreReported()
    {
        Installation install;
        TempHive hive(install.hive());
        ScriptedMessageBox boxes;
        RecordingStarter starter;
        frmMain w;
        QFile::remove(install.games.path(QStringLiteral("RS/roguespear.exe")));
        w.cmdSingle_Click();
        QCOMPARE(boxes.texts(), QStringList{QStringLiteral("Error in Play Single 53 File not found")});
        QDir(install.games.path(QStringLiteral("RB6"))).removeRecursively();
        w.cboGameType->setCurrentIndex(2);
        boxes.clear();
        w.txtIP->setText(QStringLiteral("1.2.3.4"));
        w.txtPort->setText(QStringLiteral("1"));
        w.cmdJoin_Click();
        QCOMPARE(boxes.texts(), QStringList{QStringLiteral("Error Joining Server 76 Path not found")});
        QVERIFY(starter.requests.isEmpty());
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
        Installation install;
        TempHive hive(install.hive({{QStringLiteral("PostServerPosted"), posted ? "True" : "False"},
                                    {QStringLiteral("PostServerUpdate"), update ? "True" : "False"},
                                    {QStringLiteral("PostServerIP"), QStringLiteral("10.9.9.1")},
                                    {QStringLiteral("PostServerPassword"), QStringLiteral("key")},
                                    {QStringLiteral("PostServerSource"), QStringLiteral("10.9.9.1")}}));
        ScriptedMessageBox boxes;
        // Two entries; a refresh of the older one puts it first in the listing.
        AddServer(QStringLiteral("Mine"), kRogueSpear, QStringLiteral("10.9.9.1"), QStringLiteral("2346"), QString(),
                  QStringLiteral("DSL"), QStringLiteral("key"), QStringLiteral("10.9.9.1"));
        QTest::qWait(1100);
        AddServer(QStringLiteral("Other"), kRogueSpear, QStringLiteral("10.9.9.2"), QStringLiteral("2346"), QString(),
                  QStringLiteral("DSL"), QStringLiteral("k2"), QStringLiteral("10.9.9.2"));
        QTest::qWait(1100);
        QCOMPARE(ActiveServers(kRogueSpear).first().name, QStringLiteral("Other"));
        RecordingStarter starter;
        QString firstAtLaunch;
        starter.onStart = [&] { firstAtLaunch = ActiveServers(kRogueSpear).first().name; };
        frmMain w;
        w.cmdCreate_Click();
        QCOMPARE(starter.requests.size(), 1);
        QCOMPARE(firstAtLaunch, posted && update ? QStringLiteral("Mine") : QStringLiteral("Other"));
        QVERIFY(boxes.shown().isEmpty());
    }

    void doubleClickPastesTheClipboard()
    {
        Installation install;
        TempHive hive(install.hive());
        ScriptedMessageBox boxes;
        frmMain w;
        QApplication::clipboard()->setText(QStringLiteral("192.0.2.7"));
        QTest::mouseDClick(w.txtIP, Qt::LeftButton);
        QCOMPARE(w.txtIP->text(), QStringLiteral("192.0.2.7"));
    }
};

QTEST_MAIN(TestLaunch)
#include "test_launch.moc"
