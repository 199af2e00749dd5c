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
        // Written as "PostServerPassWord", read back as "PostServerPassword": one value.
        QCOMPARE(desk.sandbox.setting("PostServerPassword"), "secret");
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
            QVERIFY2(shown[i].endsWith("Connection refused\n\tIs the server running on that host and accepting "
                                       "TCP/IP connections?\nError Number -2147467259"),
                     qPrintable(shown[i]));
        }
        QCOMPARE(shown[4], "Skirmdeck [OK] Could not make connection to Database\r\nError Number -2147467259");
    }

    void refusalsShowThroughTheExistingMessages()
    {
        Desk desk;
        // Listed from another computer, so this one may not remove it without the key.
        const SourceAddressRelay secondComputer("127.0.0.2");
        desk.sandbox.setSetting("DirectoryConnection",
                                testpg::ConnectionString(secondComputer.port(), testpg::kPlayer));
        QCOMPARE(PostServer(Request("theirs")), PostResult::Posted);
        const QStringList before = desk.settings();
        desk.sandbox.setSetting("DirectoryConnection", testpg::ConnectionString({}, testpg::kPlayer));
        desk.shown();

        // This computer has the listed address, so the dialog offers the delete; the directory refuses it.
        AnswerAlreadyListed(kAddress, kAddress);
        const QStringList offered = desk.shown();
        // The address posted from here counts as this computer's too.
        AnswerAlreadyListed(kAddress, "10.0.0.9");
        QCOMPARE(desk.shown(), offered);
        PostRequest another = Request("mine");
        another.ipAddress = "198.51.100.8";
        QVERIFY(testpg::Exec("UPDATE directory_limits SET value = 0"));
        QCOMPARE(PostServer(another), PostResult::Failed);
        QVERIFY(testpg::Exec("UPDATE directory_limits SET value = CASE name WHEN 'posts_per_hour_per_address' THEN 30 "
                             "ELSE 4 END"));
        another.port = "99999";
        QCOMPARE(PostServer(another), PostResult::Failed);

        const QString driverEnd = ";\nError while executing the queryError Number -2147217900";
        QCOMPARE(offered + desk.shown(),
                 QStringList({"Skirmdeck [YesNo] There is already a Server with that IP in the Database\r\n"
                              "Would you like to delete that server anyway?",
                              "Skirmdeck [OK] Error In Delete Server from DB\r\n ERROR: NOTPERMITTED: only the "
                              "computer at 198.51.100.7 or the one that posted it may remove this server" +
                                  driverEnd,
                              "Skirmdeck [OK] Please Press Post again",
                              "Skirmdeck [OK] Could not make connection to Database\r\n ERROR: LIMIT "
                              "live_entries_per_address: at most 0 entries posted from one address may be listed "
                              "at once" +
                                  driverEnd,
                              "Skirmdeck [OK] Could not make connection to Database\r\n ERROR: INVALID Port: must be "
                              "a number from 1 to 65535" +
                                  driverEnd}));
        QCOMPARE(Listed(), 1);
        QCOMPARE(desk.settings(), before);
        QCOMPARE(desk.main.postedStates, QList<bool>({true}));
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
