#include "app/AppState.h"
#include "options/frmServerUpdate.h"
#include "settings/MsgBox.h"
#include "tests/common/FakeMainLink.h"
#include "tests/common/TestSupport.h"
#include "tests/options/ServerHive.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

#include <memory>

namespace {

QString GameKey(const QString &game) { return IsRSFamily(game) ? kRSRegistry : kRB6Registry; }

} // namespace

class TestServerUpdate : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TempHive> m_hive;
    QMap<QString, QString> m_before;

    // A hive with the stored setting (null: none) and some game values beside it.
    void prepare(const QString &game, const QString &stored)
    {
        QStringList own = {Sz("UnloadOnStart", "False")};
        if (!stored.isNull())
            own << Sz("PostServerUpdate", stored);
        const QStringList gameValues = {Sz("MultiplayerAnnounceGames", "False"), Sz("PostServerUpdate", "False")};
        m_hive = std::make_unique<TempHive>(
            BuildHive({{kRedStormKey, own}, {kRSRegistry, gameValues}, {kRB6Registry, gameValues}}));
        ReleaseRegUtil();
        gGameType = game;
        gRegistry = GameKey(game);
        m_before = HiveSnapshot(m_hive->path());
    }
    QStringList changes() const { return HiveChanges(m_before, HiveSnapshot(m_hive->path())); }

private slots:
    void cleanup()
    {
        m_hive.reset();
        ReleaseRegUtil();
    }

    void opensWithMainWindowFlag_data();
    void opensWithMainWindowFlag();
    void okStoresBothCopies_data();
    void okStoresBothCopies();
    void cancelChangesNeither_data();
    void cancelChangesNeither();
};

void TestServerUpdate::opensWithMainWindowFlag_data()
{
    QTest::addColumn<bool>("flag");
    QTest::addColumn<QString>("stored");
    QTest::newRow("flag set, stored False") << true << "False";
    QTest::newRow("flag set, nothing stored") << true << QString();
    QTest::newRow("flag clear, stored True") << false << "True";
    QTest::newRow("flag clear, stored False") << false << "False";
}

void TestServerUpdate::opensWithMainWindowFlag()
{
    QFETCH(bool, flag);
    QFETCH(QString, stored);
    prepare(kRogueSpear, stored);
    FakeMainLink mainLink;
    mainLink.mboolUpdate = flag;
    frmServerUpdate dlg;

    QCOMPARE(dlg.chkUpdate->isChecked(), flag);
    QCOMPARE(dlg.windowTitle(), "Create Game Options");
    QCOMPARE(dlg.fraServer->title(), "Update Server");
    QCOMPARE(dlg.chkUpdate->text(), "Automatcically announce my Server each time I create a game");
    QCOMPARE(dlg.txtDescription->toPlainText(),
             "This option is for when you have Posted your server to the Server List DB. By Checking the "
             "following checkbox, when ever you click on Create Game, The server will immediately be notified "
             "that your game is up.");
    QVERIFY(dlg.txtDescription->isReadOnly());
}

void TestServerUpdate::okStoresBothCopies_data()
{
    QTest::addColumn<QString>("game");
    QTest::addColumn<bool>("flag");
    QTest::addColumn<int>("clicks");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QStringList>("expected");

    const QString setTrue = "Red Storm Entertainment\\PostServerUpdate=sz:True";
    const QString setFalse = "Red Storm Entertainment\\PostServerUpdate=sz:False";
    QTest::newRow("Rogue Spear, checked") << kRogueSpear << false << 1 << "False" << QStringList{setTrue};
    QTest::newRow("Urban Operations, unchecked") << kUrbanOperations << true << 1 << "True" << QStringList{setFalse};
    // OK stores the box even when it matches the flag, so a stale stored value is corrected.
    QTest::newRow("Rainbow Six, left checked") << kRainbowSix << true << 0 << "False" << QStringList{setTrue};
    QTest::newRow("Eagle Watch, toggled twice") << kEagleWatch << false << 2 << QString() << QStringList{setFalse};
}

void TestServerUpdate::okStoresBothCopies()
{
    QFETCH(QString, game);
    QFETCH(bool, flag);
    QFETCH(int, clicks);
    QFETCH(QString, stored);
    QFETCH(QStringList, expected);
    prepare(game, stored);
    ScriptedMessageBox messages;
    FakeMainLink mainLink;
    mainLink.mboolUpdate = flag;
    frmServerUpdate dlg;
    dlg.show();
    for (int i = 0; i < clicks; ++i)
        dlg.chkUpdate->click();
    dlg.cmdOK->click();

    const bool wanted = flag != (clicks % 2 == 1);
    QVERIFY(messages.texts().isEmpty());
    QVERIFY(!dlg.isVisible());
    QCOMPARE(mainLink.mboolUpdate, wanted);
    // One value under the program's own key for all four games; the game keys are not touched.
    QCOMPARE(changes(), expected);
}

void TestServerUpdate::cancelChangesNeither_data()
{
    QTest::addColumn<bool>("flag");
    QTest::newRow("flag set") << true;
    QTest::newRow("flag clear") << false;
}

void TestServerUpdate::cancelChangesNeither()
{
    QFETCH(bool, flag);
    prepare(kRainbowSix, flag ? "True" : "False");
    FakeMainLink mainLink;
    mainLink.mboolUpdate = flag;
    frmServerUpdate dlg;
    dlg.show();
    dlg.chkUpdate->click();
    dlg.cmdCancell->click();

    QVERIFY(!dlg.isVisible());
    QCOMPARE(mainLink.mboolUpdate, flag);
    QVERIFY(changes().isEmpty());
}

QTEST_MAIN(TestServerUpdate)
#include "test_server_update.moc"
