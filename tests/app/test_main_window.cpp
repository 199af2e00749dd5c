// The main window's controls and picture button. Run under Xvfb as well, where it also
// writes a screenshot of the window next to the test's output for people to look at.
#include "app/AppState.h"
#include "app/frmMain.h"
#include "browser/frmServerList.h"
#include "settings/MsgBox.h"
#include "tests/app/AppTestSupport.h"
#include "tests/common/TestSupport.h"

#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>

class TestMainWindow : public QObject {
    Q_OBJECT

private slots:
    void init() { ResetProgramState(); }
    void cleanup() { ResetProgramState(); }

    void controlsAsLaidOut()
    {
        GameFolders games;
        games.addGame(QStringLiteral("RS"), QStringLiteral("roguespear.exe"));
        games.addFolder(QStringLiteral("RS/Mods"));
        TempHive hive(HiveHeader() + HiveSection(kRSRegistry, {{QStringLiteral("InstallationPath"), games.path(QStringLiteral("RS"))}}));
        ScriptedMessageBox boxes;
        frmMain w;
        QCOMPARE(w.windowTitle(), QStringLiteral("Skirmdeck"));
        QCOMPARE(w.size(), QSize(405, 191));
        QVERIFY(!w.windowIcon().isNull());
        const struct {
            QWidget *control;
            QString caption;
            QString tip;
            QRect twips;
        } table[] = {
            {w.FrmGame, "Select a Game", "", {90, 135, 2115, 1035}},
            {w.cboGameType, "", "Press to Select which Game", {255, 390, 1575, 315}},
            {w.imgFavDB1, "", "Press to launch the Favorite/DB servers list", {2295, 120, 1185, 960}},
            {w.frmQuicklnch, "Quick Launch", "", {3525, 135, 2490, 2295}},
            {w.lblServerIP, "Server IP:", "", {120, 240, 840, 135}},
            {w.txtIP, "", "Enter the Server IP here", {3600, 570, 1575, 285}},
            {w.txtPort, "", "Enter the Servers Port here", {5280, 570, 615, 285}},
            {w.cmdJoin, "Join", "Press to Connect to the Server IP", {3600, 900, 495, 375}},
            {w.cmdCreate, "Create", "Press to Create a game", {4095, 900, 615, 375}},
            {w.cmdCheckStatus, "Check Status", "Press to check if the Server is Up", {4710, 900, 1215, 375}},
            {w.lblServerstatus, "Server Status:", "This light denotes if the Game is up or not", {120, 1200, 915, 225}},
            {w.lblPingTime, "", "This is the ping to the server", {1650, 1425, 720, 255}},
            {w.lblMod, "Mod:", "", {105, 1935, 375, 255}},
            {w.cboMods, "", "Click here to select which mods to use", {525, 1875, 1935, 315}},
            {w.lblHostIP, "Your IP Address:", "", {45, 195, 1095, 255}},
            {w.cmdSingle, "Single Player", "Press to play a single player game", {60, 945, 1155, 285}},
            {w.cmdPlayerOptions, "Player Options", "Press to Change Player Options", {90, 2520, 1215, 255}},
            {w.cmdServerOptions, "Server Options", "Press to Change Server Options", {1420, 2520, 1215, 255}},
            {w.cmdGeneralOptions, "General Options", "Press to Change General Options", {2750, 2520, 1335, 255}},
            {w.cmdAbout, "About Skirmdeck", "Click here to find out who brought you the Skirmdeck", {4200, 2520, 1455, 255}},
        };
        for (const auto &row : table) {
            QString caption;
            if (auto *b = qobject_cast<QPushButton *>(row.control))
                caption = b->text();
            else if (auto *l = qobject_cast<QLabel *>(row.control))
                caption = l->text();
            else if (auto *g = qobject_cast<QGroupBox *>(row.control))
                caption = g->title();
            if (!row.caption.isEmpty())
                QCOMPARE(caption, row.caption);
            QCOMPARE(row.control->toolTip(), row.tip);
            const QRect &t = row.twips;
            QCOMPARE(row.control->geometry(), QRect(t.x() / 15, t.y() / 15, t.width() / 15, t.height() / 15));
        }
        QCOMPARE(w.imgStatus->pixmap().size(), QSize(16, 18));
        QCOMPARE(w.imgFavDB1->pixmap().size(), QSize(78, 64));
        QVERIFY(!w.ImgLogo->pixmap().isNull());
    }

    void pictureButtonOpensTheServerListOnce()
    {
        GameFolders games;
        games.addGame(QStringLiteral("RS"), QStringLiteral("roguespear.exe"));
        games.addFolder(QStringLiteral("RS/Mods"));
        TempHive hive(HiveHeader() + HiveSection(kRSRegistry, {{QStringLiteral("InstallationPath"), games.path(QStringLiteral("RS"))}}));
        ScriptedMessageBox boxes;
        frmMain w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(!frmServerList::Existing());
        frmServerList *first = nullptr;
        for (int press = 0; press < 2; ++press) {
            QTest::mousePress(w.imgFavDB1, Qt::LeftButton);
            QVERIFY(w.imgFavDB->isVisible() && !w.imgFavDB1->isVisible());
            QTest::mouseRelease(w.imgFavDB1, Qt::LeftButton);
            QVERIFY(!w.imgFavDB->isVisible() && w.imgFavDB1->isVisible());
            QVERIFY(frmServerList::Existing() && frmServerList::Existing()->isVisible());
            if (!first)
                first = frmServerList::Existing();
            QCOMPARE(frmServerList::Existing(), first);
        }
        QVERIFY(boxes.shown().isEmpty());
    }

    void screenshot()
    {
        GameFolders games;
        games.addGame(QStringLiteral("RS"), QStringLiteral("roguespear.exe"));
        games.addFolder(QStringLiteral("RS/Mods/Example Mod"));
        TempHive hive(HiveHeader() + HiveSection(kRSRegistry, {{QStringLiteral("InstallationPath"), games.path(QStringLiteral("RS"))},
                                                               {QStringLiteral("MultiplayerManualHostAddress"), QStringLiteral("127.0.0.1")},
                                                               {QStringLiteral("MultiplayerManualJoinPort"), QStringLiteral("2346")}}));
        ScriptedMessageBox boxes;
        frmMain w;
        w.move(40, 40);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QTest::qWait(200);
        const bool realScreen = QGuiApplication::platformName() == QLatin1String("xcb");
        const QPixmap shot = realScreen ? w.screen()->grabWindow(0, 0, 0, w.width() + 80, w.height() + 80) : w.grab();
        QVERIFY(!shot.isNull());
        const QString name = QDir::current().filePath(realScreen ? QStringLiteral("main-window-xvfb.png")
                                                                 : QStringLiteral("main-window-offscreen.png"));
        QVERIFY(shot.save(name));
        qInfo("screenshot written to %s", qPrintable(name));
    }
};

QTEST_MAIN(TestMainWindow)
#include "test_main_window.moc"
