// Posting the user's server and removing it again, against the embedded directory.
#include "core/state/AppState.h"
#include "gui/main/frmMain.h"
#include "core/directory/DirectoryClient.h"
#include "gui/directory/frmPostServer.h"
#include "core/net/LocalAddress.h"
#include "tests/support/ScriptedMessageBox.h"
#include "tests/gui/support/AppTestSupport.h"
#include "tests/support/TestSupport.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {

const QString kAlready = "There is already a Server with that IP in the Database\r\n";
const QString kAdded = "Your server has been successfully added to the DB Server List";

QString setting(const QString &name)
{
    return CRegUtil(RegistryStore::defaultHivePath())
        .GetSettingString(HKEY_LOCAL_MACHINE, kRedStormKey, name, "<missing>");
}

void fill(frmPostServer &dialog, const QString &name, const QString &ip, const QString &port, const QString &key)
{
    dialog.txtServerName->setText(name);
    dialog.txtIPAddress->setText(ip);
    dialog.txtPort->setText(port);
    dialog.txtServerKey->setText(key);
}

QStringList listed()
{
    QStringList out;
    for (const DbServerRow &row : ActiveServers(kRogueSpear))
        out << row.name + '@' + row.ip + ':' + row.port;
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
        QCOMPARE(dialog.txtPort->text(), "2346");
        QCOMPARE(dialog.txtIPAddress->text(), LocalIPAddress());
        QCOMPARE(dialog.cboConnection->currentText(), "28.8K");
        const struct {
            const char *name, *ip, *port, *key, *message;
            QLineEdit *focus;
        } steps[] = {
            {"", "", "", "", "Please enter a Password so you can remove this Server at a later time",
             dialog.txtServerKey},
            {"", "", "", "k", "Please enter a ServerName", dialog.txtServerName},
            {"n", "", "", "k", "Please enter a IPAddress", dialog.txtIPAddress},
            {"n", " ", "", "k", "Please enter a Port", dialog.txtPort},
        };
        for (const auto &step : steps) {
            boxes.clear();
            fill(dialog, step.name, step.ip, step.port, step.key);
            dialog.cmdPostServer_Click();
            QCOMPARE(boxes.texts(), QStringList{step.message});
            QCOMPARE(dialog.focusWidget(), step.focus);
        }
        QVERIFY(listed().isEmpty());
        QCOMPARE(setting("PostServerIP"), "<missing>");
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
            fill(dialog, "My Server", "10.20.30.40", "2346", "pw");
            dialog.cboConnection->setCurrentIndex(4);
            boxes.clear();
            dialog.cmdPostServer_Click();
            QCOMPARE(boxes.texts(), QStringList{kAdded});
            QVERIFY(!dialog.isVisible());
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
        }
        QCOMPARE(listed(), QStringList{"My Server@10.20.30.40:2346"});
        QCOMPARE((QStringList{setting("PostServerIP"), setting("PostServerSource"), setting("PostServerPassword"),
                              setting("PostServerPosted")}),
                 (QStringList{"10.20.30.40", "10.20.30.40", "pw", "True"}));
        QVERIFY(w.mboolPosted);
        QCOMPARE(w.cmdPost->text(), "Remove Server");

        // No keeps everything; Yes removes the entry and turns the button back.
        boxes.clear();
        boxes.queueAnswer(MsgResult::No);
        w.cmdPost_Click();
        QCOMPARE(boxes.texts(), QStringList{"Are you sure you want to remove your Server from the Server List"});
        QCOMPARE(boxes.shown()[0].title, "Remove Server");
        QCOMPARE(boxes.shown()[0].buttons, MsgButtons::YesNo);
        QCOMPARE(listed().size(), 1);
        QVERIFY(w.mboolPosted);
        boxes.clear();
        boxes.queueAnswer(MsgResult::Yes);
        w.cmdPost_Click();
        QCOMPARE(boxes.shown().size(), 2);
        QCOMPARE(boxes.shown()[1].text, "Your Server has been succussfully removed from the DB Server List");
        QCOMPARE(boxes.shown()[1].title, "Server Removed");
        QVERIFY(listed().isEmpty());
        QVERIFY(!w.mboolPosted);
        QCOMPARE(w.cmdPost->text(), "Post Server");
        QCOMPARE(setting("PostServerPosted"), "False");
    }

    void alreadyListedOwnerMayDelete()
    {
        TempHive hive;
        ScriptedMessageBox boxes;
        frmMain w;
        gGameType = kRogueSpear;
        const QString mine = LocalIPAddress();
        AddServer("Old", kRogueSpear, mine, "2346", QString(), "DSL", "lost key", mine);
        frmPostServer dialog(&w);
        dialog.show();
        fill(dialog, "New", mine, "2347", "pw");
        // No keeps the entry and stores nothing; Yes deletes it.
        boxes.clear();
        boxes.queueAnswer(MsgResult::No);
        dialog.cmdPostServer_Click();
        QCOMPARE(listed(), QStringList{"Old@" + mine + ":2346"});
        QCOMPARE(setting("PostServerIP"), "<missing>");
        boxes.queueAnswer(MsgResult::Yes);
        dialog.cmdPostServer_Click();
        const QString question = kAlready + "Would you like to delete that server anyway?";
        QCOMPARE(boxes.texts(), (QStringList{question, question, "Removed your Server from the DB Server List",
                                             "Please Press Post again"}));
        QCOMPARE(boxes.shown()[0].buttons, MsgButtons::YesNo);
        QCOMPARE(setting("PostServerPosted"), "False");
        QVERIFY(dialog.isVisible());
        QVERIFY(!w.mboolPosted);
        boxes.clear();
        dialog.cmdPostServer_Click();
        QCOMPARE(boxes.texts(), QStringList{kAdded});
        QCOMPARE(listed(), QStringList{"New@" + mine + ":2347"});
        QVERIFY(w.mboolPosted);
    }

    void alreadyListedStrangerMayNot()
    {
        TempHive hive(HiveHeader() + HiveSection(kRedStormKey, {{"PostServerIP", "10.0.0.9"}}));
        ScriptedMessageBox boxes;
        frmMain w;
        gGameType = kRogueSpear;
        AddServer("Theirs", kRogueSpear, "10.1.1.1", "2346", QString(), "DSL", "their key", "10.1.1.1");
        const QByteArray before = hive.read();
        frmPostServer dialog(&w);
        dialog.show();
        fill(dialog, "Mine", "10.1.1.1", "2346", "pw");
        boxes.clear();
        dialog.cmdPostServer_Click();
        QCOMPARE(boxes.texts(),
                 QStringList{kAlready +
                             "Since your Ip does not match the one in the DB\r\n"
                             "You don't have permission to delete it, Please Contact the Skirmdeck Support"});
        QVERIFY(dialog.isVisible());
        QCOMPARE(listed(), QStringList{"Theirs@10.1.1.1:2346"});
        QCOMPARE(hive.read(), before);
    }
};

QTEST_MAIN(TestPostServer)
#include "test_post_server.moc"
