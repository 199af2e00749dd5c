// The quick status check against a real UDP responder on 127.0.0.1.
#include "app/AppState.h"
#include "app/frmMain.h"
#include "net/SocketControl.h"
#include "settings/MsgBox.h"
#include "tests/app/AppTestSupport.h"
#include "tests/common/TestSupport.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QUdpSocket>

namespace {

// No game is installed in these tests: start-up says so once.
const QStringList kNotInstalled{QStringLiteral("Rogue Spear is not installed!")};

bool lampIsGreen(const frmMain &w)
{
    const QImage green = QPixmap(QStringLiteral(":/skirmdeck/status_green.png")).toImage();
    return !green.isNull() && w.imgStatus->pixmap().toImage() == green;
}

// A game server stand-in: answers from its own port to the probe socket once it is open.
class Responder {
public:
    Responder() { socket.bind(QHostAddress::LocalHost, 0); }
    quint16 port() const { return socket.localPort(); }
    void answer(const SocketControl &probe, const QByteArray &data)
    {
        socket.writeDatagram(data, QHostAddress::LocalHost, probe.LocalPort());
    }
    QUdpSocket socket;
};

} // namespace

class TestStatusCheck : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        ResetProgramState();
        m_hive = std::make_unique<TempHive>(HiveHeader() + HiveSection(kRedStormKey, {{QStringLiteral("SocketTimeOut"), QStringLiteral("600")}}));
    }
    void cleanup()
    {
        ResetProgramState();
        m_hive.reset();
    }

    void answeringServerLightsTheLamp()
    {
        ScriptedMessageBox boxes;
        frmMain w;
        Responder server;
        w.txtIP->setText(QStringLiteral("127.0.0.1 "));
        w.txtPort->setText(QString::number(server.port()));
        bool greenDuringWait = false;
        bool upDuringWait = false;
        QTimer::singleShot(100, &w, [&] { server.answer(*w.SckServer, "hello"); });
        QTimer::singleShot(300, &w, [&] { greenDuringWait = lampIsGreen(w);
            upDuringWait = w.StatusUp; });
        QElapsedTimer clock;
        clock.start();
        w.cmdCheckStatus_Click();
        const qint64 took = clock.elapsed();
        QVERIFY(upDuringWait);
        QVERIFY(greenDuringWait);
        QVERIFY(lampIsGreen(w));
        // The wait always lasts the whole time-out.
        QVERIFY2(took >= 590, qPrintable(QString::number(took)));
        QVERIFY(w.lblPingTime->text().endsWith(QStringLiteral("ms")));
        QCOMPARE(w.txtIP->text(), QStringLiteral("127.0.0.1"));
        QCOMPARE(w.SckServer->State(), int(SocketControl::sckClosed));
        QVERIFY(!w.SocketTimer->isActive());
        QCOMPARE(boxes.texts(), kNotInstalled);
    }

    void silentServerStaysRed()
    {
        ScriptedMessageBox boxes;
        frmMain w;
        Responder server;
        w.txtIP->setText(QStringLiteral("127.0.0.1"));
        w.txtPort->setText(QString::number(server.port()));
        QElapsedTimer clock;
        clock.start();
        w.cmdCheckStatus_Click();
        QVERIFY(clock.elapsed() >= 590);
        QVERIFY(!lampIsGreen(w) && !w.StatusUp);
        QCOMPARE(boxes.texts(), kNotInstalled);
    }

    void emptyBoxes()
    {
        ScriptedMessageBox boxes;
        frmMain w;
        w.txtIP->clear();
        w.cmdCheckStatus_Click();
        QCOMPARE(boxes.texts(), kNotInstalled + QStringList{QStringLiteral("No IP Address specified")});
        QCOMPARE(w.SckServer->State(), int(SocketControl::sckClosed));
        // An empty port box becomes the default game port, and the probe aims there.
        boxes.clear();
        w.txtIP->setText(QStringLiteral("127.0.0.1"));
        w.txtPort->clear();
        int probedPort = 0;
        QTimer::singleShot(50, &w, [&] { probedPort = w.SckServer->RemotePort(); });
        w.cmdCheckStatus_Click();
        QCOMPARE(w.txtPort->text(), QStringLiteral("2346"));
        QCOMPARE(probedPort, 2346);
        w.txtPort->setText(QStringLiteral("port"));
        w.cmdCheckStatus_Click();
        QCOMPARE(boxes.texts(), QStringList{QStringLiteral("Error in cmdCheckStatus_click 13 Type mismatch")});
    }

    void nestedCheckClosesTheOpenSocketFirst()
    {
        ScriptedMessageBox boxes;
        frmMain w;
        Responder first;
        Responder second;
        w.txtIP->setText(QStringLiteral("127.0.0.1"));
        w.txtPort->setText(QString::number(first.port()));
        int stateBeforeNested = -1;
        int remoteDuringNested = 0;
        QTimer::singleShot(100, &w, [&] {
            stateBeforeNested = w.SckServer->State();
            w.txtPort->setText(QString::number(second.port()));
            QTimer::singleShot(100, &w, [&] { remoteDuringNested = w.SckServer->RemotePort(); });
            w.cmdCheckStatus_Click();
        });
        w.cmdCheckStatus_Click();
        QCOMPARE(stateBeforeNested, int(SocketControl::sckOpen));
        QCOMPARE(remoteDuringNested, int(second.port()));
        QCOMPARE(w.SckServer->State(), int(SocketControl::sckClosed));
        QCOMPARE(boxes.texts(), kNotInstalled);
    }

    void ownAddressGoesToTheClipboard()
    {
        ScriptedMessageBox boxes;
        frmMain w;
        w.txtHostIP->setText(QStringLiteral("192.0.2.44"));
        w.txtHostIP_GotFocus();
        QCOMPARE(w.txtHostIP->selectedText(), QStringLiteral("192.0.2.44"));
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("192.0.2.44"));
    }

private:
    std::unique_ptr<TempHive> m_hive;
};

QTEST_MAIN(TestStatusCheck)
#include "test_status_check.moc"
