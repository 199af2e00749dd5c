// The main window's picture button, by mouse, keyboard and screen reader. Run under Xvfb as
// well, where the clicks come through a real X server.
#include "core/state/AppState.h"
#include "gui/main/frmMain.h"
#include "gui/browser/frmServerList.h"
#include "tests/support/ScriptedMessageBox.h"
#include "tests/gui/support/AppTestSupport.h"
#include "tests/support/TestSupport.h"

#include <QAccessible>
#include <QApplication>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

class TestMainWindow : public IsolatedTest {
    Q_OBJECT

private slots:
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
