// The quick status check against a real UDP responder on 127.0.0.1.
#include "core/state/AppState.h"
#include "gui/main/frmMain.h"
#include "core/net/SocketControl.h"
#include "tests/core/net/UdpResponder.h"
#include "tests/support/ScriptedMessageBox.h"
#include "tests/gui/support/AppTestSupport.h"
#include "tests/support/TestSupport.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

// No game is installed in these tests: start-up says so once.
const QStringList kNotInstalled{"Rogue Spear is not installed!"};

bool lampIsGreen(const frmMain &w)
{
    const QImage green = QPixmap(":/skirmdeck/status_green.png").toImage();
    return !green.isNull() && w.imgStatus->pixmap().toImage() == green;
}

// Runs step once the window's probe wait has begun, however long the steps before it take.
void duringWait(frmMain &w, const std::function<void()> &step)
{
    QTimer::singleShot(0, &w, [&w, step] { w.SocketTimer->isActive() ? step() : duringWait(w, step); });
}

// The window on a hive with a short time-out, so that each check is quick.
struct QuickWindow {
    TempHive hive{HiveHeader() + HiveSection(kRedStormKey, {{"SocketTimeOut", "600"}})};
    ScriptedMessageBox boxes;
    frmMain w;

    void check(const QString &address, const QString &port)
    {
        TypeOver(w.txtIP, address);
        TypeOver(w.txtPort, port);
        ClickOn(w.cmdCheckStatus);
    }
};

} // namespace

class TestStatusCheck : public IsolatedTest {
    Q_OBJECT

private slots:
    // An answer during the wait turns the lamp green.
    void lampFollowsTheAnswer()
    {
        for (bool answers : {true, false}) {
            QuickWindow window;
            frmMain &w = window.w;
            UdpResponder server;
            if (answers)
                duringWait(w, [&] { server.answer(w.SckServer->LocalPort()); });
            window.check("127.0.0.1 ", QString::number(server.port()));
            QCOMPARE(w.StatusUp, answers);
            QCOMPARE(lampIsGreen(w), answers);
            QVERIFY(w.lblPingTime->text().endsWith("ms"));
            QCOMPARE(w.txtIP->text(), "127.0.0.1");
            QCOMPARE(w.SckServer->State(), int(SocketControl::sckClosed));
            QVERIFY(!w.SocketTimer->isActive());
            QCOMPARE(window.boxes.texts(), kNotInstalled);
        }
    }

    // An empty port box becomes the default game port, and the probe aims there.
    void emptyBoxes()
    {
        QuickWindow window;
        window.check("", "2346");
        QCOMPARE(window.boxes.texts(), kNotInstalled + QStringList{"No IP Address specified"});
        window.boxes.clear();
        window.check("127.0.0.1", "");
        QCOMPARE(window.w.txtPort->text(), "2346");
        QCOMPARE(window.w.SckServer->RemotePort(), 2346);
        window.check("127.0.0.1", "port");
        QCOMPARE(window.boxes.texts(), QStringList{"Error in cmdCheckStatus_click 13 Type mismatch"});
    }

    void nestedCheckClosesTheOpenSocketFirst()
    {
        QuickWindow window;
        frmMain &w = window.w;
        UdpResponder first, second;
        int stateBeforeNested = -1;
        duringWait(w, [&] {
            stateBeforeNested = w.SckServer->State();
            window.check("127.0.0.1", QString::number(second.port()));
        });
        window.check("127.0.0.1", QString::number(first.port()));
        QCOMPARE(stateBeforeNested, int(SocketControl::sckOpen));
        QCOMPARE(w.SckServer->RemotePort(), second.port());
        QCOMPARE(w.SckServer->State(), int(SocketControl::sckClosed));
        QCOMPARE(window.boxes.texts(), kNotInstalled);
    }
};

QTEST_MAIN(TestStatusCheck)
#include "test_status_check.moc"
