// The quick status check against a real UDP responder on 127.0.0.1.
#include "core/state/AppState.h"
#include "gui/main/frmMain.h"
#include "core/net/SocketControl.h"
#include "tests/support/ScriptedMessageBox.h"
#include "tests/gui/support/AppTestSupport.h"
#include "tests/support/TestSupport.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QUdpSocket>

namespace {

// No game is installed in these tests: start-up says so once.
const QStringList kNotInstalled{"Rogue Spear is not installed!"};

// A short time-out, so that each check is quick.
QByteArray quickHive() { return HiveHeader() + HiveSection(kRedStormKey, {{"SocketTimeOut", "600"}}); }

bool lampIsGreen(const frmMain &w)
{
    const QImage green = QPixmap(":/skirmdeck/status_green.png").toImage();
    return !green.isNull() && w.imgStatus->pixmap().toImage() == green;
}

// A game server stand-in on its own port of 127.0.0.1.
struct Responder {
    QUdpSocket socket;
    Responder() { socket.bind(QHostAddress::LocalHost, 0); }
    QString port() const { return QString::number(socket.localPort()); }
};

} // namespace

class TestStatusCheck : public IsolatedTest {
    Q_OBJECT

private slots:
    // The wait always lasts the whole time-out; an answer turns the lamp green during it.
    void lampFollowsTheAnswer()
    {
        for (bool answers : {true, false}) {
            TempHive hive(quickHive());
            ScriptedMessageBox boxes;
            frmMain w;
            Responder server;
            TypeOver(w.txtIP, "127.0.0.1 ");
            TypeOver(w.txtPort, server.port());
            bool greenDuringWait = false, upDuringWait = false;
            if (answers)
                QTimer::singleShot(100, &w, [&] {
                    server.socket.writeDatagram("hello", QHostAddress::LocalHost, w.SckServer->LocalPort());
                });
            QTimer::singleShot(300, &w, [&] {
                greenDuringWait = lampIsGreen(w);
                upDuringWait = w.StatusUp;
            });
            QElapsedTimer clock;
            clock.start();
            ClickOn(w.cmdCheckStatus);
            const qint64 took = clock.elapsed();
            QVERIFY2(took >= 590, qPrintable(QString::number(took)));
            QCOMPARE(upDuringWait, answers);
            QCOMPARE(greenDuringWait, answers);
            QCOMPARE(lampIsGreen(w), answers);
            if (answers)
                QVERIFY(w.lblPingTime->text().endsWith("ms"));
            QCOMPARE(w.txtIP->text(), "127.0.0.1");
            QCOMPARE(w.SckServer->State(), int(SocketControl::sckClosed));
            QVERIFY(!w.SocketTimer->isActive());
            QCOMPARE(boxes.texts(), kNotInstalled);
        }
    }

    void emptyBoxes()
    {
        TempHive hive(quickHive());
        ScriptedMessageBox boxes;
        frmMain w;
        TypeOver(w.txtIP, "");
        ClickOn(w.cmdCheckStatus);
        QCOMPARE(boxes.texts(), kNotInstalled + QStringList{"No IP Address specified"});
        // An empty port box becomes the default game port, and the probe aims there.
        boxes.clear();
        TypeOver(w.txtIP, "127.0.0.1");
        TypeOver(w.txtPort, "");
        int probedPort = 0;
        QTimer::singleShot(50, &w, [&] { probedPort = w.SckServer->RemotePort(); });
        ClickOn(w.cmdCheckStatus);
        QCOMPARE(w.txtPort->text(), "2346");
        QCOMPARE(probedPort, 2346);
        TypeOver(w.txtPort, "port");
        ClickOn(w.cmdCheckStatus);
        QCOMPARE(boxes.texts(), QStringList{"Error in cmdCheckStatus_click 13 Type mismatch"});
    }

    void nestedCheckClosesTheOpenSocketFirst()
    {
        TempHive hive(quickHive());
        ScriptedMessageBox boxes;
        frmMain w;
        Responder first, second;
        TypeOver(w.txtIP, "127.0.0.1");
        TypeOver(w.txtPort, first.port());
        int stateBeforeNested = -1, remoteDuringNested = 0;
        QTimer::singleShot(100, &w, [&] {
            stateBeforeNested = w.SckServer->State();
            TypeOver(w.txtPort, second.port());
            QTimer::singleShot(100, &w, [&] { remoteDuringNested = w.SckServer->RemotePort(); });
            ClickOn(w.cmdCheckStatus);
        });
        ClickOn(w.cmdCheckStatus);
        QCOMPARE(stateBeforeNested, int(SocketControl::sckOpen));
        QCOMPARE(QString::number(remoteDuringNested), second.port());
        QCOMPARE(w.SckServer->State(), int(SocketControl::sckClosed));
        QCOMPARE(boxes.texts(), kNotInstalled);
    }
};

QTEST_MAIN(TestStatusCheck)
#include "test_status_check.moc"
