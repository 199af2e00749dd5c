// The main window's picture button and what the window shows. Run under Xvfb as well, where
// the picture checked is the one on the real screen.
#include "core/state/AppState.h"
#include "gui/main/frmMain.h"
#include "gui/browser/frmServerList.h"
#include "tests/support/ScriptedMessageBox.h"
#include "tests/gui/support/AppTestSupport.h"
#include "tests/support/TestSupport.h"

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

namespace {

// A caption drawn inside a button leaves the columns next to the button's frame free of dark
// pixels; a cut caption runs into them. There must be some ink at all.
bool InkClearOfEdges(const QImage &shot, QRect button)
{
    const QRect inside = button.adjusted(3, 3, -3, -3);
    int first = -1, last = -1;
    for (int x = inside.left(); x <= inside.right(); ++x)
        for (int y = inside.top(); y <= inside.bottom(); ++y)
            if (qGray(shot.pixel(x, y)) < 100) {
                first = first < 0 ? x : first;
                last = x;
            }
    return first > inside.left() && last < inside.right();
}

} // namespace

class TestMainWindow : public IsolatedTest {
    Q_OBJECT

    GameFolders m_games;

private slots:
    void init()
    {
        ResetProgramState();
        m_games.addGame("RS", "roguespear.exe");
        m_games.addFolder("RS/Mods/Example Mod");
    }

    // By mouse, by keyboard alone (Tab reaches the picture, Space presses it) and by a screen
    // reader, which sees a named button with a press action.
    void pictureButtonOpensTheServerListOnce()
    {
        TempHive hive(GameHive(m_games.path("RS")));
        ScriptedMessageBox boxes;
        frmMain w;
        QTemporaryDir start;
        UseEmptyFavourites(start.path());
        w.show();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QVERIFY(!frmServerList::Existing());
        frmServerList *first = nullptr;
        for (int press = 0; press < 2; ++press) {
            // Through the window, as the platform delivers a click: the release comes after the
            // pressed button has hidden itself.
            const QPoint at = w.imgFavDB1->geometry().center();
            QTest::mousePress(w.windowHandle(), Qt::LeftButton, {}, at);
            QVERIFY(w.imgFavDB->isVisible() && !w.imgFavDB1->isVisible());
            QTest::mouseRelease(w.windowHandle(), Qt::LeftButton, {}, at);
            QVERIFY(!w.imgFavDB->isVisible() && w.imgFavDB1->isVisible());
            QVERIFY(frmServerList::Existing() && frmServerList::Existing()->isVisible());
            if (!first)
                first = frmServerList::Existing();
            QCOMPARE(frmServerList::Existing(), first);
        }

        QAccessibleInterface *picture = QAccessible::queryAccessibleInterface(w.imgFavDB1);
        QCOMPARE(picture->role(), QAccessible::Button);
        QCOMPARE(picture->text(QAccessible::Name), "Press to launch the Favorite/DB servers list");
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

    // What the window shows on the screen: every button caption drawn clear of its button's
    // edges, and the red status lamp. The picture is written for people to look at too.
    void captionsAndLampOnTheScreen()
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
        const QImage shot = (realScreen ? w.screen()->grabWindow(w.winId()) : w.grab()).toImage();
        QCOMPARE(shot.size(), w.size());
        for (QPushButton *button : w.findChildren<QPushButton *>())
            QVERIFY2(InkClearOfEdges(shot, QRect(button->mapTo(&w, QPoint()), button->size())),
                     qPrintable(button->text()));
        const QColor lamp = shot.pixelColor(w.imgStatus->mapTo(&w, w.imgStatus->rect().center()));
        QVERIFY2(lamp.red() > lamp.green() + 60 && lamp.red() > lamp.blue() + 60, qPrintable(lamp.name()));
        const QString name = QDir::current().filePath(realScreen ? "main-window-xvfb.png"
                                                                 : "main-window-offscreen.png");
        QVERIFY(shot.save(name));
        qInfo("screenshot written to %s", qPrintable(name));
    }
};

QTEST_MAIN(TestMainWindow)
#include "test_main_window.moc"
