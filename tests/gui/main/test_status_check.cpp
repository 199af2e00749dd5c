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
#include <QTest>
#include <QTimer>
#include <QUdpSocket>

namespace {

// No game is installed in these tests: start-up says so once.
const QStringList kNotInstalled{"Rogue Spear is not installed!"};

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

class TestStatusCheck : public QObject {
    Q_OBJECT

    std::unique_ptr<TempHive> m_hive;

private slots:
    void init()
    {
        ResetProgramState();
        m_hive = std::make_unique<TempHive>(HiveHeader() + HiveSection(kRedStormKey, {{"SocketTimeOut", "600"}}));
    }
    void cleanup()
    {
        ResetProgramState();
        m_hive.reset();
    }

    void lampFollowsTheAnswer_data()
    {
        QTest::addColumn<bool>("answers");
        QTest::newRow("answering server") << true;
        QTest::newRow("silent server") << false;
    }

    // The wait always lasts the whole time-out; an answer turns the lamp green during it.
    void lampFollowsTheAnswer()
    {
        QFETCH(bool, answers);
        ScriptedMessageBox boxes;
        frmMain w;
        Responder server;
        w.txtIP->setText("127.0.0.1 ");
        w.txtPort->setText(server.port());
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
        w.cmdCheckStatus_Click();
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

    void emptyBoxes()
    {
        ScriptedMessageBox boxes;
        frmMain w;
        w.txtIP->clear();
        w.cmdCheckStatus_Click();
        QCOMPARE(boxes.texts(), kNotInstalled + QStringList{"No IP Address specified"});
        // An empty port box becomes the default game port, and the probe aims there.
        boxes.clear();
        w.txtIP->setText("127.0.0.1");
        w.txtPort->clear();
        int probedPort = 0;
        QTimer::singleShot(50, &w, [&] { probedPort = w.SckServer->RemotePort(); });
        w.cmdCheckStatus_Click();
        QCOMPARE(w.txtPort->text(), "2346");
        QCOMPARE(probedPort, 2346);
        w.txtPort->setText("port");
        w.cmdCheckStatus_Click();
        QCOMPARE(boxes.texts(), QStringList{"Error in cmdCheckStatus_click 13 Type mismatch"});
    }

    void nestedCheckClosesTheOpenSocketFirst()
    {
        ScriptedMessageBox boxes;
        frmMain w;
        Responder first, second;
        w.txtIP->setText("127.0.0.1");
        w.txtPort->setText(first.port());
        int stateBeforeNested = -1, remoteDuringNested = 0;
        QTimer::singleShot(100, &w, [&] {
            stateBeforeNested = w.SckServer->State();
            w.txtPort->setText(second.port());
            QTimer::singleShot(100, &w, [&] { remoteDuringNested = w.SckServer->RemotePort(); });
            w.cmdCheckStatus_Click();
        });
        w.cmdCheckStatus_Click();
        QCOMPARE(stateBeforeNested, int(SocketControl::sckOpen));
        QCOMPARE(QString::number(remoteDuringNested), second.port());
        QCOMPARE(w.SckServer->State(), int(SocketControl::sckClosed));
        QCOMPARE(boxes.texts(), kNotInstalled);
    }
};

QTEST_MAIN(TestStatusCheck)
#include "test_status_check.moc"
