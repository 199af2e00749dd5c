// The main window's commands: launching the games, where fake game executables record the
// arguments and folder they were started with, and the quick status check against a real UDP
// responder on 127.0.0.1.
#include "core/directory/DirectoryClient.h"
#include "core/state/AppState.h"
#include "gui/main/frmMain.h"
#include "gui/browser/frmServerList.h"
#include "core/net/SocketControl.h"
#include "tests/core/net/UdpResponder.h"
#include "tests/support/ScriptedMessageBox.h"
#include "tests/gui/support/AppTestSupport.h"
#include "tests/support/TestSupport.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

// Every game installed, two mods, the window open on the hive; boxes and starts recorded. A
// short time-out makes each status check quick.
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
        hive.write(GameHive(games.path("RS"), games.path("RB6"), own + Values{{"SocketTimeOut", "600"}}));
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

class TestLaunch : public IsolatedTest {
    Q_OBJECT

private slots:
    void commandLines_data()
    {
        QTest::addColumn<int>("game");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("mod");
        QTest::addColumn<QStringList>("commandLine"); // the executable, then each argument
        const auto row = [](const char *name, int game, const char *mode, const char *mod, const char *line) {
            QTest::newRow(name) << game << QString(mode) << QString(mod) << QString(line).split('|');
        };
        row("RS join", 0, "join", "None", "roguespear.exe|-client|10.0.0.5|2346");
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
        QCOMPARE(w.txtPort->text(), "2346");
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
        QCOMPARE(w.txtIP->text(), "");
        QTRY_COMPARE(install.args(), (QStringList{"-client", "", "2346"}));
        checkStatus(w, "", "2346");
        checkStatus(w, "127.0.0.1", "");
        QCOMPARE(w.txtPort->text(), "2346");
        QCOMPARE(w.SckServer->RemotePort(), 2346);
        checkStatus(w, "127.0.0.1", "port");
        QCOMPARE(install.boxes.texts(), (QStringList{"No IP Address specified", "No IP Address specified",
                                                     "Error in cmdCheckStatus_click 13 Type mismatch"}));
    }

    // Create leaves the server list open; Join closes it as well, even when the launch failed.
    void closeAfterLaunch()
    {
        Installation install(Values{{"UnloadOnStart", "True"}});
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
        QCOMPARE(install.boxes.texts(), QStringList{"Error Joining Server 53 File not found"});
        QCOMPARE(install.starter.requests.size(), 1);
    }

    // Create announces the posted server again, before the game starts, only when both are set
    // (posted, to update; to update only): the directory's file cannot be opened, so the
    // attempt shows its failure.
    void createReannouncesThePostedServer()
    {
        for (bool posted : {true, false}) {
            ResetProgramState();
            Installation install(Values{{"PostServerPosted", posted ? "True" : "False"}, {"PostServerUpdate", "True"}});
            QVERIFY(QDir().mkpath(EmbeddedDirectoryPath()));
            qsizetype boxesAtLaunch = -1;
            install.starter.onStart = [&] { boxesAtLaunch = install.boxes.shown().size(); };
            frmMain w;
            ClickOn(w.cmdCreate);
            QCOMPARE(boxesAtLaunch, posted ? 1 : 0);
            QCOMPARE(install.boxes.texts().filter(QRegularExpression("^Error In UpdateServer from DB")).size(),
                     boxesAtLaunch);
        }
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
            QCOMPARE(w.SckServer->State(), int(SocketControl::sckClosed));
            QVERIFY(!w.SocketTimer->isActive());
        }
        QVERIFY2(install.boxes.shown().isEmpty(), qPrintable(install.boxes.texts().join('|')));
    }
};

QTEST_MAIN(TestLaunch)
#include "test_launch.moc"
