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

const QString kAddress = QStringLiteral("198.51.100.7");
const QStringList kPostSettings = {QStringLiteral("PostServerIP"), QStringLiteral("PostServerPassWord"),
                                   QStringLiteral("PostServerSource"), QStringLiteral("PostServerPosted")};

PostRequest Request(const QString &key)
{
    return {QStringLiteral("My Server"), kRogueSpear, kAddress, QStringLiteral("2346"), {},
            QStringLiteral("Cable"),     key};
}

QStringList Settings(DirectorySandbox &sandbox)
{
    QStringList values;
    for (const QString &name : kPostSettings)
        values.append(sandbox.setting(name));
    return values;
}

// Every shown box as "title [buttons] text"; none of them may carry an icon.
QStringList Boxes(ScriptedMessageBox &boxes)
{
    QStringList shown;
    for (const ShownMessage &box : boxes.shown())
        shown.append(box.title +
                     (box.buttons == MsgButtons::YesNo ? QStringLiteral(" [YesNo] ") : QStringLiteral(" [OK] ")) +
                     box.text + (box.icon == MsgIcon::None ? QString() : QStringLiteral(" (icon)")));
    boxes.clear();
    return shown;
}

int Listed()
{
    const auto rows = GetDBServerRows(kRogueSpear);
    return rows ? int(rows->size()) : -1;
}

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
        DirectorySandbox sandbox;
        sandbox.usePostgres();
        FakeMainLink main;
        ScriptedMessageBox boxes;

        QCOMPARE(PostServer(Request(QStringLiteral("secret"))), PostResult::Posted);
        QCOMPARE(Settings(sandbox),
                 (QStringList{kAddress, QStringLiteral("secret"), kAddress, QStringLiteral("True")}));
        // Written as "PostServerPassWord", read back as "PostServerPassword": one value.
        QCOMPARE(sandbox.setting(QStringLiteral("PostServerPassword")), QStringLiteral("secret"));
        QCOMPARE(Listed(), 1);
        QVERIFY(UpdateServerFromDB());
        QVERIFY(DeleteServerFromDB());
        QCOMPARE(Listed(), 0);

        QCOMPARE(
            Boxes(boxes),
            (QStringList{
                QStringLiteral("Skirmdeck [OK] Your server has been successfully added to the DB Server List"),
                QStringLiteral("Server Removed [OK] Your Server has been succussfully removed from the DB Server List"),
            }));
        QCOMPARE(sandbox.setting(QStringLiteral("PostServerPosted")), QStringLiteral("False"));
        QCOMPARE(main.postedStates, (QList<bool>{true, false}));
    }

    void failuresChangeNoSetting()
    {
        DirectorySandbox sandbox;
        FakeMainLink main;
        const QStringList before = {kAddress, QStringLiteral("old key"), kAddress, QStringLiteral("True")};
        for (qsizetype i = 0; i < kPostSettings.size(); ++i)
            sandbox.setSetting(kPostSettings[i], before[i]);
        sandbox.setSetting(QStringLiteral("DirectoryConnection"), testpg::ConnectionString(ClosedLoopbackPort()));
        ScriptedMessageBox boxes;

        QCOMPARE(PostServer(Request(QStringLiteral("new key"))), PostResult::Failed);
        QVERIFY(!DeleteServerFromDB());
        QVERIFY(!DeleteServerByIP(kAddress));
        QVERIFY(!UpdateServerFromDB());
        QVERIFY(!GetDBServerRows(kRogueSpear));
        QCOMPARE(Settings(sandbox), before);
        QVERIFY(main.postedStates.isEmpty());

        // context, CR LF, a blank, the driver's message and straight after it the number.
        const QStringList contexts = {
            QStringLiteral("Could not make connection to Database"), QStringLiteral("Error In Delete Server from DB"),
            QStringLiteral("Error In Delete Server from DB"), QStringLiteral("Error In UpdateServer from DB")};
        const QStringList shown = Boxes(boxes);
        QCOMPARE(shown.size(), 5);
        for (qsizetype i = 0; i < contexts.size(); ++i) {
            QVERIFY2(shown[i].startsWith(QStringLiteral("Skirmdeck [OK] ") + contexts[i] + QStringLiteral("\r\n ")),
                     qPrintable(shown[i]));
            QVERIFY2(shown[i].endsWith(
                         QStringLiteral("Connection refused\n\tIs the server running on that host and accepting "
                                        "TCP/IP connections?\nError Number -2147467259")),
                     qPrintable(shown[i]));
        }
        QCOMPARE(shown[4],
                 QStringLiteral("Skirmdeck [OK] Could not make connection to Database\r\nError Number -2147467259"));
    }

    void refusalsShowThroughTheExistingMessages()
    {
        DirectorySandbox sandbox;
        FakeMainLink main;
        ScriptedMessageBox boxes;
        // Listed from another computer, so this one may not remove it without the key.
        const SourceAddressRelay secondComputer(QStringLiteral("127.0.0.2"));
        sandbox.setSetting(QStringLiteral("DirectoryConnection"),
                           testpg::ConnectionString(secondComputer.port(), testpg::kPlayer));
        QCOMPARE(PostServer(Request(QStringLiteral("theirs"))), PostResult::Posted);
        const QStringList before = Settings(sandbox);
        sandbox.setSetting(QStringLiteral("DirectoryConnection"), testpg::ConnectionString({}, testpg::kPlayer));
        Boxes(boxes);

        // This computer has the listed address, so the dialog offers the delete; the directory refuses it.
        AnswerAlreadyListed(kAddress, kAddress);
        PostRequest another = Request(QStringLiteral("mine"));
        another.ipAddress = QStringLiteral("198.51.100.8");
        QVERIFY(testpg::Exec(QStringLiteral("UPDATE directory_limits SET value = 0")));
        QCOMPARE(PostServer(another), PostResult::Failed);
        QVERIFY(testpg::Exec(QStringLiteral("UPDATE directory_limits SET value = CASE name WHEN "
                                            "'posts_per_hour_per_address' THEN 30 ELSE 4 END")));
        another.port = QStringLiteral("99999");
        QCOMPARE(PostServer(another), PostResult::Failed);

        const QString driverEnd = QStringLiteral(";\nError while executing the queryError Number -2147217900");
        QCOMPARE(Boxes(boxes),
                 (QStringList{
                     QStringLiteral("Skirmdeck [YesNo] There is already a Server with that IP in the Database\r\n"
                                    "Would you like to delete that server anyway?"),
                     QStringLiteral("Skirmdeck [OK] Error In Delete Server from DB\r\n ERROR: NOTPERMITTED: only the "
                                    "computer at 198.51.100.7 or the one that posted it may remove this server") +
                         driverEnd,
                     QStringLiteral("Skirmdeck [OK] Please Press Post again"),
                     QStringLiteral("Skirmdeck [OK] Could not make connection to Database\r\n ERROR: LIMIT "
                                    "live_entries_per_address: at most 0 entries posted from one address may be "
                                    "listed at once") +
                         driverEnd,
                     QStringLiteral("Skirmdeck [OK] Could not make connection to Database\r\n ERROR: INVALID Port: "
                                    "must be a number from 1 to 65535") +
                         driverEnd,
                 }));
        QCOMPARE(Listed(), 1);
        QCOMPARE(Settings(sandbox), before);
        QCOMPARE(main.postedStates, (QList<bool>{true}));
    }

    void missingSettingsSendEmptyTexts()
    {
        DirectorySandbox sandbox;
        sandbox.usePostgres();
        ScriptedMessageBox boxes;
        // Entries whose address, key and source are empty texts: only empty texts (not NULLs) match them.
        QVERIFY(InsertExpired(QStringLiteral("Lapsed"), {}, {}));
        QVERIFY(UpdateServerFromDB());
        QCOMPARE(Listed(), 1);
        QVERIFY(DeleteServerFromDB());
        QCOMPARE(Listed(), 0);
    }
};

QTEST_GUILESS_MAIN(TestDirectoryProtocol)
#include "test_directory_protocol.moc"
