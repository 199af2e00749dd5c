// The windows' directory steps on PostgreSQL: the settings they read and write, the messages
// they show and what they tell the main window, on success and on failure.
#include "core/state/AppState.h"
#include "core/directory/DirectoryProtocol.h"
#include "tests/support/ScriptedMessageBox.h"
#include "tests/support/FakeMainLink.h"
#include "tests/core/directory/DirectoryTestSupport.h"
#include "tests/support/ProgramState.h"

#include <QTest>

namespace {

const QString kAddress = "198.51.100.7";
const QStringList kPostSettings = {"PostServerIP", "PostServerPassWord", "PostServerSource", "PostServerPosted"};
// The number a failed connection ends its message with.
const QString kConnectFailedEnd = "Error Number -2147467259";

PostRequest Request(const QString &key) { return {"My Server", kRogueSpear, kAddress, "2346", {}, "Cable", key}; }

int Listed()
{
    const auto rows = GetDBServerRows(kRogueSpear);
    return rows ? int(rows->size()) : -1;
}

// A case's own settings on the test PostgreSQL, the main window it reports to and the boxes it shows.
struct Desk {
    DirectorySandbox sandbox;
    FakeMainLink main;
    ScriptedMessageBox boxes;

    Desk() { sandbox.usePostgres(); }
    QStringList settings()
    {
        QStringList values;
        for (const QString &name : kPostSettings)
            values.append(sandbox.setting(name));
        return values;
    }
    // Every shown box as "title [buttons] text"; none of them may carry an icon.
    QStringList shown()
    {
        QStringList texts;
        for (const ShownMessage &box : boxes.shown())
            texts.append(box.title + (box.buttons == MsgButtons::YesNo ? " [YesNo] " : " [OK] ") + box.text +
                         (box.icon == MsgIcon::None ? "" : " (icon)"));
        boxes.clear();
        return texts;
    }
};

} // namespace

class TestDirectoryProtocol : public IsolatedTest {
    Q_OBJECT

private slots:
    void init()
    {
        ResetProgramState();
        QVERIFY2(testpg::Reset(), "the test PostgreSQL is not running");
    }

    void postReannounceAndRemove()
    {
        Desk desk;
        QCOMPARE(PostServer(Request("secret")), PostResult::Posted);
        QCOMPARE(desk.settings(), QStringList({kAddress, "secret", kAddress, "True"}));
        QCOMPARE(Listed(), 1);
        QVERIFY(UpdateServerFromDB());
        QVERIFY(DeleteServerFromDB());
        QCOMPARE(Listed(), 0);

        QCOMPARE(desk.shown(),
                 QStringList({"Skirmdeck [OK] " + kPostedMessage, "Server Removed [OK] " + kRemovedMessage}));
        QCOMPARE(desk.sandbox.setting("PostServerPosted"), "False");
        QCOMPARE(desk.main.postedStates, QList<bool>({true, false}));
    }

    void failuresChangeNoSetting()
    {
        Desk desk;
        const QStringList before = {kAddress, "old key", kAddress, "True"};
        for (qsizetype i = 0; i < kPostSettings.size(); ++i)
            desk.sandbox.setSetting(kPostSettings[i], before[i]);
        desk.sandbox.setSetting("DirectoryConnection", testpg::ConnectionString(ClosedLoopbackPort()));

        QCOMPARE(PostServer(Request("new key")), PostResult::Failed);
        QVERIFY(!DeleteServerFromDB());
        QVERIFY(!DeleteServerByIP(kAddress));
        QVERIFY(!UpdateServerFromDB());
        QVERIFY(!GetDBServerRows(kRogueSpear));
        QCOMPARE(desk.settings(), before);
        QVERIFY(desk.main.postedStates.isEmpty());

        // context, CR LF, a blank, the driver's message and straight after it the number.
        const QStringList contexts = {"Could not make connection to Database", "Error In Delete Server from DB",
                                      "Error In Delete Server from DB", "Error In UpdateServer from DB"};
        const QStringList shown = desk.shown();
        QCOMPARE(shown.size(), 5);
        for (qsizetype i = 0; i < contexts.size(); ++i) {
            QVERIFY2(shown[i].startsWith("Skirmdeck [OK] " + contexts[i] + "\r\n "), qPrintable(shown[i]));
            QVERIFY2(shown[i].endsWith("connections?\n" + kConnectFailedEnd), qPrintable(shown[i]));
        }
        QCOMPARE(shown[4], "Skirmdeck [OK] Could not make connection to Database\r\n" + kConnectFailedEnd);
    }

    // This computer owns a listed address by its own address or by the one it posted from: it
    // is asked whether to delete. A post the directory refuses is shown as a failure.
    void ownerIsAskedAndRefusalsAreShown()
    {
        Desk desk;
        desk.boxes.queueAnswer(MsgResult::No);
        desk.boxes.queueAnswer(MsgResult::No);
        AnswerAlreadyListed(kAddress, kAddress);
        desk.sandbox.setSetting("PostServerIP", kAddress);
        AnswerAlreadyListed(kAddress, "10.0.0.9");
        PostRequest refused = Request("key");
        refused.port = "99999";
        QCOMPARE(PostServer(refused), PostResult::Failed);

        const QString asked = "Skirmdeck [YesNo] There is already a Server with that IP in the Database\r\n"
                              "Would you like to delete that server anyway?";
        QCOMPARE(desk.shown(), QStringList({asked, asked,
                                            "Skirmdeck [OK] Could not make connection to Database\r\n ERROR: INVALID "
                                            "Port: must be a number from 1 to 65535;\nError while executing the "
                                            "queryError Number -2147217900"}));
        QCOMPARE(desk.settings(), QStringList({kAddress, "", "", ""}));
        QVERIFY(desk.main.postedStates.isEmpty());
    }

    void missingSettingsSendEmptyTexts()
    {
        Desk desk;
        // Entries whose address, key and source are empty texts: only empty texts (not NULLs) match them.
        QVERIFY(InsertExpired("Lapsed", {}, {}));
        QVERIFY(UpdateServerFromDB());
        QCOMPARE(Listed(), 1);
        QVERIFY(DeleteServerFromDB());
        QCOMPARE(Listed(), 0);
    }
};

QTEST_GUILESS_MAIN(TestDirectoryProtocol)
#include "test_directory_protocol.moc"
