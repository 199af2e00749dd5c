#include "core/state/AppState.h"
#include "gui/options/frmServerUpdate.h"
#include "tests/support/ScriptedMessageBox.h"
#include "tests/support/FakeMainLink.h"
#include "tests/support/TestSupport.h"
#include "tests/gui/options/ServerHive.h"

#include <QCheckBox>
#include <QPushButton>
#include <QtTest>

class TestServerUpdate : public QObject {
    Q_OBJECT

private slots:
    void boxFollowsMainWindowFlag_data();
    void boxFollowsMainWindowFlag();
};

void TestServerUpdate::boxFollowsMainWindowFlag_data()
{
    QTest::addColumn<QString>("game");
    QTest::addColumn<bool>("flag");
    QTest::addColumn<QString>("stored"); // null: nothing stored
    QTest::addColumn<int>("clicks");
    QTest::addColumn<bool>("ok");

    QTest::newRow("Rogue Spear, flag set over stored False, OK") << kRogueSpear << true << "False" << 0 << true;
    QTest::newRow("Urban Operations, unchecked, OK") << kUrbanOperations << true << "True" << 1 << true;
    QTest::newRow("Rainbow Six, checked, nothing stored, OK") << kRainbowSix << false << QString() << 1 << true;
    QTest::newRow("Eagle Watch, toggled, Cancel") << kEagleWatch << false << "True" << 1 << false;
    QTest::newRow("Rogue Spear, toggled twice, Cancel") << kRogueSpear << true << "False" << 2 << false;
}

void TestServerUpdate::boxFollowsMainWindowFlag()
{
    QFETCH(QString, game);
    QFETCH(bool, flag);
    QFETCH(QString, stored);
    QFETCH(int, clicks);
    QFETCH(bool, ok);
    // The games' own keys hold a value of the same name, which must stay as it is.
    const QStringList gameValues = {Sz("PostServerUpdate", "False")};
    const QStringList own = stored.isNull() ? QStringList{} : QStringList{Sz("PostServerUpdate", stored)};
    TempHive hive(BuildHive({{kRedStormKey, own}, {kRSRegistry, gameValues}, {kRB6Registry, gameValues}}));
    ReleaseRegUtil();
    gGameType = game;
    gRegistry = IsRSFamily(game) ? kRSRegistry : kRB6Registry;
    const auto before = HiveSnapshot(hive.path());
    ScriptedMessageBox messages;
    FakeMainLink mainLink;
    mainLink.mboolUpdate = flag;

    frmServerUpdate dlg;
    dlg.show();
    QCOMPARE(dlg.chkUpdate->isChecked(), flag);
    for (int i = 0; i < clicks; ++i)
        dlg.chkUpdate->click();
    (ok ? dlg.cmdOK : dlg.cmdCancell)->click();

    const bool saved = ok ? flag != (clicks % 2 == 1) : flag;
    const QStringList expected = {"Red Storm Entertainment\\PostServerUpdate=sz:" + QString(saved ? "True" : "False")};
    QVERIFY(!dlg.isVisible());
    QVERIFY(messages.texts().isEmpty());
    QCOMPARE(mainLink.mboolUpdate, saved);
    QCOMPARE(HiveChanges(before, HiveSnapshot(hive.path())), ok ? expected : QStringList{});
    ReleaseRegUtil();
}

QTEST_MAIN(TestServerUpdate)
#include "test_server_update.moc"
