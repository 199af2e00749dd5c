// Posting the user's server and removing it again, against the embedded directory.
#include "app/AppState.h"
#include "app/frmMain.h"
#include "directory/DirectoryClient.h"
#include "directory/frmPostServer.h"
#include "net/LocalAddress.h"
#include "settings/MsgBox.h"
#include "tests/app/AppTestSupport.h"
#include "tests/common/TestSupport.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {

const QStringList kNotInstalled{QStringLiteral("Rogue Spear is not installed!")};
const QString kAlready = QStringLiteral("There is already a Server with that IP in the Database");

QString setting(const QString &name)
{
    return CRegUtil(RegistryStore::defaultHivePath())
        .GetSettingString(HKEY_LOCAL_MACHINE, kRedStormKey, name, QStringLiteral("<missing>"));
}

void fill(frmPostServer &dialog, const QString &name, const QString &ip, const QString &port, const QString &key)
{
    dialog.txtServerName->setText(name);
    dialog.txtIPAddress->setText(ip);
    dialog.txtPort->setText(port);
    dialog.txtServerKey->setText(key);
}

QStringList listed(const QString &game = kRogueSpear)
{
    QStringList out;
    for (const DbServerRow &row : ActiveServers(game))
        out << row.name + QLatin1Char('@') + row.ip + QLatin1Char(':') + row.port;
    return out;
}

} // namespace

class TestPostServer : public QObject {
    Q_OBJECT

private slots:
    void init() { ResetProgramState(); }
    void cleanup() { ResetProgramState(); }

    void loadAndValidation()
    {
        TempHive hive;
        ScriptedMessageBox boxes;
        frmMain w;
        gGameType = kRogueSpear;
        frmPostServer dialog(&w);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Post Server"));
        QCOMPARE(dialog.txtPort->text(), QStringLiteral("2346"));
        QCOMPARE(dialog.txtIPAddress->text(), LocalIPAddress());
        QCOMPARE(dialog.cboConnection->count(), 7);
        QCOMPARE(dialog.cboConnection->currentText(), QStringLiteral("28.8K"));
        QCOMPARE(dialog.cboConnection->itemText(6), QStringLiteral("T3"));
        boxes.clear();
        const struct {
            const char *name, *ip, *port, *key, *message;
            QLineEdit *focus;
        } steps[] = {
            {"", "", "", "", "Please enter a Password so you can remove this Server at a later time", dialog.txtServerKey},
            {"", "", "", "k", "Please enter a ServerName", dialog.txtServerName},
            {"n", "", "", "k", "Please enter a IPAddress", dialog.txtIPAddress},
            {"n", " ", "", "k", "Please enter a Port", dialog.txtPort},
        };
        for (const auto &step : steps) {
            boxes.clear();
            fill(dialog, QString::fromLatin1(step.name), QString::fromLatin1(step.ip), QString::fromLatin1(step.port),
                 QString::fromLatin1(step.key));
            dialog.cmdPostServer_Click();
            QCOMPARE(boxes.texts(), QStringList{QString::fromLatin1(step.message)});
            QCOMPARE(dialog.focusWidget(), step.focus);
        }
        QVERIFY(listed().isEmpty());
        QCOMPARE(setting(QStringLiteral("PostServerIP")), QStringLiteral("<missing>"));
    }

    void postThenRemove()
    {
        TempHive hive;
        ScriptedMessageBox boxes;
        frmMain w;
        gGameType = kRogueSpear;
        {
            frmPostServer dialog(&w);
            dialog.show();
            fill(dialog, QStringLiteral("My Server"), QStringLiteral("10.20.30.40"), QStringLiteral("2346"), QStringLiteral("pw"));
            dialog.cboConnection->setCurrentIndex(4);
            boxes.clear();
            dialog.cmdPostServer_Click();
            QCOMPARE(boxes.texts(), QStringList{QStringLiteral("Your server has been successfully added to the DB Server List")});
            QVERIFY(!dialog.isVisible());
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
        }
        QCOMPARE(listed(), QStringList{QStringLiteral("My Server@10.20.30.40:2346")});
        QCOMPARE(setting(QStringLiteral("PostServerIP")), QStringLiteral("10.20.30.40"));
        QCOMPARE(setting(QStringLiteral("PostServerSource")), QStringLiteral("10.20.30.40"));
        QCOMPARE(setting(QStringLiteral("PostServerPassword")), QStringLiteral("pw"));
        QCOMPARE(setting(QStringLiteral("PostServerPosted")), QStringLiteral("True"));
        QVERIFY(w.mboolPosted);
        QCOMPARE(w.cmdPost->text(), QStringLiteral("Remove Server"));

        // No keeps everything; Yes removes the entry and turns the button back.
        boxes.clear();
        boxes.queueAnswer(MsgResult::No);
        w.cmdPost_Click();
        QCOMPARE(boxes.shown().size(), 1);
        QCOMPARE(boxes.shown()[0].text, QStringLiteral("Are you sure you want to remove your Server from the Server List"));
        QCOMPARE(boxes.shown()[0].title, QStringLiteral("Remove Server"));
        QCOMPARE(boxes.shown()[0].buttons, MsgButtons::YesNo);
        QCOMPARE(listed().size(), 1);
        QVERIFY(w.mboolPosted);
        boxes.clear();
        boxes.queueAnswer(MsgResult::Yes);
        w.cmdPost_Click();
        QCOMPARE(boxes.shown().size(), 2);
        QCOMPARE(boxes.shown()[1].text, QStringLiteral("Your Server has been succussfully removed from the DB Server List"));
        QCOMPARE(boxes.shown()[1].title, QStringLiteral("Server Removed"));
        QVERIFY(listed().isEmpty());
        QVERIFY(!w.mboolPosted);
        QCOMPARE(w.cmdPost->text(), QStringLiteral("Post Server"));
        QCOMPARE(w.cmdPost->toolTip(), QStringLiteral("Press here to Add your Server to the DB Server List"));
        QCOMPARE(setting(QStringLiteral("PostServerPosted")), QStringLiteral("False"));
        // A restart shows the same.
        ResetProgramState();
        frmMain again;
        QCOMPARE(again.cmdPost->text(), QStringLiteral("Post Server"));
    }

    void removalFailureKeepsThePostedState()
    {
        TempHive hive(HiveHeader() + HiveSection(kRedStormKey, {{QStringLiteral("PostServerPosted"), QStringLiteral("True")},
                                                                 {QStringLiteral("DirectoryConnection"),
                                                                  QStringLiteral("DRIVER={PostgreSQL Unicode};SERVER=127.0.0.1;PORT=1;DATABASE=x;UID=x")}}));
        ScriptedMessageBox boxes;
        frmMain w;
        boxes.clear();
        boxes.queueAnswer(MsgResult::Yes);
        w.cmdPost_Click();
        QCOMPARE(boxes.shown().size(), 2);
        QVERIFY(boxes.shown()[1].text.startsWith(QStringLiteral("Error In Delete Server from DB\r\n ")));
        QVERIFY(boxes.shown()[1].text.endsWith(QStringLiteral("Error Number -2147467259")));
        QCOMPARE(w.cmdPost->text(), QStringLiteral("Remove Server"));
        QVERIFY(w.mboolPosted);
        QCOMPARE(setting(QStringLiteral("PostServerPosted")), QStringLiteral("True"));
    }

    void alreadyListedOwnerMayDelete()
    {
        TempHive hive;
        ScriptedMessageBox boxes;
        frmMain w;
        gGameType = kRogueSpear;
        const QString mine = LocalIPAddress();
        AddServer(QStringLiteral("Old"), kRogueSpear, mine, QStringLiteral("2346"), QString(), QStringLiteral("DSL"),
                  QStringLiteral("lost key"), mine);
        frmPostServer dialog(&w);
        dialog.show();
        fill(dialog, QStringLiteral("New"), mine, QStringLiteral("2347"), QStringLiteral("pw"));
        boxes.clear();
        boxes.queueAnswer(MsgResult::Yes);
        dialog.cmdPostServer_Click();
        QCOMPARE(boxes.texts(), (QStringList{kAlready + QStringLiteral("\r\nWould you like to delete that server anyway?"),
                                             QStringLiteral("Removed your Server from the DB Server List"),
                                             QStringLiteral("Please Press Post again")}));
        QCOMPARE(boxes.shown()[0].buttons, MsgButtons::YesNo);
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.txtServerName->text(), QStringLiteral("New"));
        QVERIFY(!w.mboolPosted);
        boxes.clear();
        dialog.cmdPostServer_Click();
        QCOMPARE(boxes.texts(), QStringList{QStringLiteral("Your server has been successfully added to the DB Server List")});
        QCOMPARE(listed(), QStringList{QStringLiteral("New@") + mine + QStringLiteral(":2347")});
        QVERIFY(w.mboolPosted);
    }

    void alreadyListedStrangerMayNot()
    {
        TempHive hive(HiveHeader() + HiveSection(kRedStormKey, {{QStringLiteral("PostServerIP"), QStringLiteral("10.0.0.9")}}));
        ScriptedMessageBox boxes;
        frmMain w;
        gGameType = kRogueSpear;
        AddServer(QStringLiteral("Theirs"), kRogueSpear, QStringLiteral("10.1.1.1"), QStringLiteral("2346"), QString(),
                  QStringLiteral("DSL"), QStringLiteral("their key"), QStringLiteral("10.1.1.1"));
        const QByteArray before = hive.read();
        frmPostServer dialog(&w);
        dialog.show();
        fill(dialog, QStringLiteral("Mine"), QStringLiteral("10.1.1.1"), QStringLiteral("2346"), QStringLiteral("pw"));
        boxes.clear();
        dialog.cmdPostServer_Click();
        QCOMPARE(boxes.texts(), QStringList{kAlready + QStringLiteral("\r\nSince your Ip does not match the one in the DB\r\n"
                                                                      "You don't have permission to delete it, Please Contact the Skirmdeck Support")});
        QCOMPARE(boxes.shown()[0].title, QStringLiteral("Skirmdeck"));
        QVERIFY(dialog.isVisible());
        QCOMPARE(listed(), QStringList{QStringLiteral("Theirs@10.1.1.1:2346")});
        QCOMPARE(hive.read(), before);
    }
};

QTEST_MAIN(TestPostServer)
#include "test_post_server.moc"
