// The windows' directory steps on PostgreSQL: the settings they read and write and the
// messages they show, on success and on failure.
#include "app/AppState.h"
#include "directory/DirectoryErrors.h"
#include "directory/DirectoryProtocol.h"
#include "settings/MsgBox.h"
#include "tests/common/FakeMainLink.h"
#include "tests/directory/DirectoryTestSupport.h"

#include <QTest>

namespace {

const QString kAddress = QStringLiteral("198.51.100.7");
const QStringList kPostSettings = {QStringLiteral("PostServerIP"), QStringLiteral("PostServerPassWord"),
                                   QStringLiteral("PostServerSource"), QStringLiteral("PostServerPosted")};

PostRequest Request(const QString &address, const QString &key)
{
    return {QStringLiteral("My Server"), kRogueSpear, address, QStringLiteral("2346"), QStringLiteral("mods"),
            QStringLiteral("Cable"), key};
}

QStringList Settings(DirectorySandbox &sandbox)
{
    QStringList values;
    for (const QString &name : kPostSettings)
        values.append(sandbox.setting(name));
    return values;
}

int ListedCount(const QString &game)
{
    const auto rows = GetDBServerRows(game);
    return rows ? int(rows->size()) : -1;
}

} // namespace

class TestDirectoryProtocol : public QObject {
    Q_OBJECT

private slots:
    void init() { QVERIFY2(testpg::Exec(QStringLiteral("DELETE FROM directory_entries")), "the test PostgreSQL is not running"); }
    void postReannounceAndRemove();
    void alreadyListedAddress();
    void failuresChangeNoSetting();
    void missingSettingsSendEmptyTexts();
};

void TestDirectoryProtocol::postReannounceAndRemove()
{
    DirectorySandbox sandbox;
    sandbox.usePostgres();
    FakeMainLink main;
    ScriptedMessageBox boxes;

    QCOMPARE(PostServer(Request(kAddress, QStringLiteral("secret"))), PostResult::Posted);
    QCOMPARE(Settings(sandbox), (QStringList{kAddress, QStringLiteral("secret"), kAddress, QStringLiteral("True")}));
    // The password is written as "PostServerPassWord" and read back as "PostServerPassword".
    QCOMPARE(sandbox.setting(QStringLiteral("PostServerPassword")), QStringLiteral("secret"));
    QCOMPARE(boxes.texts(), QStringList{QStringLiteral("Your server has been successfully added to the DB Server List")});
    QCOMPARE(main.postedStates, QList<bool>{true});
    QCOMPARE(ListedCount(kRogueSpear), 1);

    boxes.clear();
    QVERIFY(UpdateServerFromDB());
    QVERIFY(boxes.shown().isEmpty());

    QVERIFY(DeleteServerFromDB());
    QCOMPARE(boxes.shown().size(), 1);
    QCOMPARE(boxes.shown()[0].text, QStringLiteral("Your Server has been succussfully removed from the DB Server List"));
    QCOMPARE(boxes.shown()[0].title, QStringLiteral("Server Removed"));
    QCOMPARE(boxes.shown()[0].buttons, MsgButtons::OK);
    QCOMPARE(boxes.shown()[0].icon, MsgIcon::None);
    QCOMPARE(sandbox.setting(QStringLiteral("PostServerPosted")), QStringLiteral("False"));
    QCOMPARE(main.postedStates, (QList<bool>{true, false}));
    QCOMPARE(ListedCount(kRogueSpear), 0);
}

void TestDirectoryProtocol::alreadyListedAddress()
{
    DirectorySandbox sandbox;
    sandbox.usePostgres();
    FakeMainLink main;
    ScriptedMessageBox boxes;
    QVERIFY(testpg::Exec(QStringLiteral("SELECT AddServer('Theirs', 'Rogue Spear', '%1', '2346', '', 'DSL', 'k', '%1')")
                             .arg(kAddress)));

    // The post is refused; nothing is shown or stored yet.
    QCOMPARE(PostServer(Request(kAddress, QStringLiteral("mine"))), PostResult::AlreadyListed);
    QVERIFY(boxes.shown().isEmpty());
    QCOMPARE(Settings(sandbox), (QStringList{QString(), QString(), QString(), QString()}));
    QVERIFY(main.postedStates.isEmpty());

    // From another computer whose stored address differs: no permission, the entry stays.
    sandbox.setSetting(QStringLiteral("PostServerIP"), QStringLiteral("203.0.113.1"));
    AnswerAlreadyListed(kAddress, QStringLiteral("192.0.2.44"));
    QCOMPARE(boxes.shown().size(), 1);
    QCOMPARE(boxes.shown()[0].text,
             QStringLiteral("There is already a Server with that IP in the Database\r\nSince your Ip does not match the "
                            "one in the DB\r\nYou don't have permission to delete it, Please Contact the Skirmdeck Support"));
    QCOMPARE(boxes.shown()[0].title, QStringLiteral("Skirmdeck"));
    QCOMPARE(ListedCount(kRogueSpear), 1);

    // The owner (this computer's address) who answers No keeps the entry.
    boxes.clear();
    boxes.queueAnswer(MsgResult::No);
    AnswerAlreadyListed(kAddress, kAddress);
    QCOMPARE(boxes.shown().size(), 1);
    QCOMPARE(boxes.shown()[0].buttons, MsgButtons::YesNo);
    QCOMPARE(ListedCount(kRogueSpear), 1);

    // Yes deletes it; the next post succeeds.
    boxes.clear();
    boxes.queueAnswer(MsgResult::Yes);
    AnswerAlreadyListed(kAddress, kAddress);
    QCOMPARE(boxes.texts(), (QStringList{QStringLiteral("There is already a Server with that IP in the Database\r\n"
                                                        "Would you like to delete that server anyway?"),
                                         QStringLiteral("Removed your Server from the DB Server List"),
                                         QStringLiteral("Please Press Post again")}));
    QCOMPARE(sandbox.setting(QStringLiteral("PostServerPosted")), QStringLiteral("False"));
    QCOMPARE(ListedCount(kRogueSpear), 0);
    QVERIFY(main.postedStates.isEmpty());
    QCOMPARE(PostServer(Request(kAddress, QStringLiteral("mine"))), PostResult::Posted);
}

void TestDirectoryProtocol::failuresChangeNoSetting()
{
    DirectorySandbox sandbox;
    FakeMainLink main;
    main.mboolPosted = true;
    const QStringList before = {kAddress, QStringLiteral("old key"), kAddress, QStringLiteral("True")};
    for (qsizetype i = 0; i < kPostSettings.size(); ++i)
        sandbox.setSetting(kPostSettings[i], before[i]);
    sandbox.setSetting(QStringLiteral("DirectoryConnection"),
                       QStringLiteral("DRIVER={Skirmdeck Test PostgreSQL};SERVER=127.0.0.1;PORT=%1;DATABASE=x;UID=y")
                           .arg(ClosedLoopbackPort()));
    ScriptedMessageBox boxes;

    QCOMPARE(PostServer(Request(QStringLiteral("192.0.2.9"), QStringLiteral("new key"))), PostResult::Failed);
    QVERIFY(!DeleteServerFromDB());
    QVERIFY(!DeleteServerByIP(kAddress));
    QVERIFY(!UpdateServerFromDB());
    QVERIFY(!GetDBServerRows(kRogueSpear).has_value());

    QCOMPARE(Settings(sandbox), before);
    QVERIFY(main.postedStates.isEmpty());
    QVERIFY(main.mboolPosted);

    const QString number = QString::number(direrr::ConnectFailed);
    const QStringList contexts = {QStringLiteral("Could not make connection to Database"),
                                  QStringLiteral("Error In Delete Server from DB"),
                                  QStringLiteral("Error In Delete Server from DB"),
                                  QStringLiteral("Error In UpdateServer from DB")};
    QCOMPARE(boxes.shown().size(), 5);
    for (qsizetype i = 0; i < contexts.size(); ++i) {
        const QString text = boxes.shown()[i].text;
        // context, CR LF, a blank, the driver's message and straight after it the number.
        QVERIFY2(text.startsWith(contexts[i] + QStringLiteral("\r\n ")), qPrintable(text));
        QVERIFY2(text.endsWith(QStringLiteral("Error Number ") + number), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("Connection refused")), qPrintable(text));
        QCOMPARE(boxes.shown()[i].title, kAppTitle);
    }
    QCOMPARE(boxes.shown()[4].text, QStringLiteral("Could not make connection to Database\r\nError Number ") + number);
}

void TestDirectoryProtocol::missingSettingsSendEmptyTexts()
{
    DirectorySandbox sandbox;
    sandbox.usePostgres();
    ScriptedMessageBox boxes;
    // Entries whose address, key and source are empty texts: only empty texts (not NULLs) match them.
    QVERIFY(testpg::Exec(QStringLiteral("SELECT AddServer('Blank', 'Rogue Spear', '', '2346', '', 'DSL', '', '')")));
    QVERIFY(DeleteServerFromDB());
    QCOMPARE(ListedCount(kRogueSpear), 0);

    QVERIFY(InsertExpiredPostgres(QStringLiteral("Lapsed"), kRogueSpear, QString(), QString()));
    QCOMPARE(ListedCount(kRogueSpear), 0);
    QVERIFY(UpdateServerFromDB());
    QCOMPARE(ListedCount(kRogueSpear), 1);
    QCOMPARE(boxes.shown().size(), 1); // only the removal's own message
}

QTEST_GUILESS_MAIN(TestDirectoryProtocol)
#include "test_directory_protocol.moc"
