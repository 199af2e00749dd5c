// Posting the user's server and removing it again, against the embedded directory.
#include "core/directory/DirectoryClient.h"
#include "core/net/LocalAddress.h"
#include "core/state/AppState.h"
#include "gui/directory/frmPostServer.h"
#include "gui/main/frmMain.h"
#include "tests/gui/support/AppTestSupport.h"
#include "tests/support/ScriptedMessageBox.h"
#include "tests/support/TestSupport.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {

const QString kAlready = "There is already a Server with that IP in the Database\r\n";
const QString kAdded = "Your server has been successfully added to the DB Server List";

// Name, address, port and password typed in; a null text leaves that field as it is.
void fill(frmPostServer &dialog, const QStringList &texts)
{
    const QList<QLineEdit *> fields = {dialog.txtServerName, dialog.txtIPAddress, dialog.txtPort, dialog.txtServerKey};
    for (int i = 0; i < fields.size(); ++i)
        if (!texts[i].isNull())
            TypeOver(fields[i], texts[i]);
}

QStringList listed()
{
    QStringList out;
    for (const DbServerRow &row : ActiveServers(kRogueSpear))
        out << row.name + '@' + row.ip + ':' + row.port;
    return out;
}

// Rogue Spear installed, so the main window's post button takes clicks.
struct Desk {
    GameFolders games;
    TempHive hive;
    ScriptedMessageBox boxes;
    frmMain main;

    Desk() : hive((games.addGame("RS", "roguespear.exe"), games.addFolder("RS/Mods"), GameHive(games.path("RS")))) {}
};

} // namespace

class TestPostServer : public IsolatedTest {
    Q_OBJECT

private slots:
    void postThenRemove()
    {
        Desk desk;
        frmMain &w = desk.main;
        {
            // Cancel posts nothing; the same texts typed again are posted.
            frmPostServer dialog(&w);
            fill(dialog, {"My Server", "10.20.30.40", "2346", "pw"});
            ClickOn(dialog.cmdCancel);
            QVERIFY(!dialog.isVisible() && listed().isEmpty());
            fill(dialog, {"My Server", "10.20.30.40", "2346", "pw"});
            ClickOn(dialog.cmdPostServer);
            QCOMPARE(desk.boxes.texts(), QStringList{kAdded});
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
        }
        QCOMPARE(listed(), QStringList{"My Server@10.20.30.40:2346"});
        QCOMPARE((QStringList{StoredOwnSetting("PostServerIP"), StoredOwnSetting("PostServerSource"),
                              StoredOwnSetting("PostServerPassword"), StoredOwnSetting("PostServerPosted")}),
                 (QStringList{"10.20.30.40", "10.20.30.40", "pw", "True"}));
        QCOMPARE(w.cmdPost->text(), "Remove Server");

        // No keeps everything; Yes removes.
        desk.boxes.clear();
        desk.boxes.queueAnswer(MsgResult::No);
        ClickOn(w.cmdPost);
        QCOMPARE(desk.boxes.texts(), QStringList{"Are you sure you want to remove your Server from the Server List"});
        QCOMPARE(desk.boxes.shown()[0].buttons, MsgButtons::YesNo);
        QCOMPARE(w.cmdPost->text(), "Remove Server");
        ClickOn(w.cmdPost);
        QCOMPARE(desk.boxes.shown()[2].text, "Your Server has been succussfully removed from the DB Server List");
        QVERIFY(listed().isEmpty());
        QCOMPARE(w.cmdPost->text(), "Post Server");
    }

    // The defaults, and an empty field named and given the focus. An address already listed: a
    // stranger to the entry is refused and nothing changes; the owner is asked, and No keeps
    // everything while Yes deletes the entry for a fresh post.
    void alreadyListed()
    {
        Desk desk;
        const QString mine = LocalIPAddress();
        AddServer("Theirs", kRogueSpear, "10.1.1.1", "2346", QString(), "DSL", "their key", "10.1.1.1");
        AddServer("Old", kRogueSpear, mine, "2346", QString(), "DSL", "lost key", mine);
        const QStringList all = listed();
        const QByteArray before = desk.hive.read();
        frmPostServer dialog(&desk.main);
        QCOMPARE(
            QStringList({dialog.txtIPAddress->text(), dialog.txtPort->text(), dialog.cboConnection->currentText()}),
            QStringList({mine, "2346", "28.8K"}));
        fill(dialog, {"n", "", "", "k"});
        ClickOn(dialog.cmdPostServer);
        QCOMPARE(dialog.focusWidget(), dialog.txtIPAddress);
        fill(dialog, {"Mine", "10.1.1.1", "2346", "pw"});
        ClickOn(dialog.cmdPostServer);
        fill(dialog, {"New", mine, "2347", QString()});
        desk.boxes.queueAnswer(MsgResult::No);
        ClickOn(dialog.cmdPostServer);
        QCOMPARE(listed(), all);
        QCOMPARE(desk.hive.read(), before);
        ClickOn(dialog.cmdPostServer);
        const QString question = kAlready + "Would you like to delete that server anyway?";
        QCOMPARE(desk.boxes.texts(),
                 (QStringList{"Please enter a IPAddress",
                              kAlready + "Since your Ip does not match the one in the DB\r\n"
                                         "You don't have permission to delete it, Please Contact the Skirmdeck Support",
                              question, question, "Removed your Server from the DB Server List",
                              "Please Press Post again"}));
        QVERIFY(dialog.isVisible());
        desk.boxes.clear();
        ClickOn(dialog.cmdPostServer);
        QCOMPARE(desk.boxes.texts(), QStringList{kAdded});
        QCOMPARE(listed(), (QStringList{"New@" + mine + ":2347", "Theirs@10.1.1.1:2346"}));
    }
};

QTEST_MAIN(TestPostServer)
#include "test_post_server.moc"
