// The main window's picture button. Run under Xvfb as well, where it also writes a screenshot
// of the window next to the test's output for people to look at.
#include "core/state/AppState.h"
#include "gui/main/frmMain.h"
#include "gui/browser/frmServerList.h"
#include "tests/support/ScriptedMessageBox.h"
#include "tests/gui/support/AppTestSupport.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

class TestMainWindow : public QObject {
    Q_OBJECT

    GameFolders m_games;

private slots:
    void init()
    {
        ResetProgramState();
        m_games.addGame("RS", "roguespear.exe");
        m_games.addFolder("RS/Mods/Example Mod");
    }
    void cleanup() { ResetProgramState(); }

    void pictureButtonOpensTheServerListOnce()
    {
        TempHive hive(GameHive(m_games.path("RS")));
        ScriptedMessageBox boxes;
        frmMain w;
        // An empty favourites list, so the list opens without a message.
        QTemporaryDir start;
        gStartDir = start.path();
        QFile favorites(start.filePath("Rogue Spear.txt"));
        QVERIFY(favorites.open(QIODevice::WriteOnly));
        favorites.close();
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
        TempHive hive(GameHive(m_games.path("RS"), {}, {},
                               {{"MultiplayerManualHostAddress", "127.0.0.1"}, {"MultiplayerManualJoinPort", "2346"}}));
        ScriptedMessageBox boxes;
        frmMain w;
        w.move(40, 40);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QTest::qWait(200);
        const bool realScreen = QGuiApplication::platformName() == QLatin1String("xcb");
        const QPixmap shot = realScreen ? w.screen()->grabWindow(0, 0, 0, w.width() + 80, w.height() + 80) : w.grab();
        QVERIFY(!shot.isNull());
        const QString name = QDir::current().filePath(realScreen ? "main-window-xvfb.png"
                                                                 : "main-window-offscreen.png");
        QVERIFY(shot.save(name));
        qInfo("screenshot written to %s", qPrintable(name));
    }
};

QTEST_MAIN(TestMainWindow)
#include "test_main_window.moc"
