#include "app/AppState.h"
#include "options/frmPlayerConfig.h"
#include "settings/CRegUtil.h"
#include "settings/MsgBox.h"
#include "settings/RegistryStore.h"
#include "tests/common/TestSupport.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <memory>

using Values = QMap<QString, QString>;

namespace {

const QString kName = QStringLiteral("MultiplayerPlayerName");
const QString kClan = QStringLiteral("MultiplayerClanName");
const QString kWeapon1 = QStringLiteral("MultiplayerWeapon1");
const QString kWeapon2 = QStringLiteral("MultiplayerWeapon2");
const QString kItem1 = QStringLiteral("MultiplayerItem1");
const QString kItem2 = QStringLiteral("MultiplayerItem2");

QString KeyOf(const QString &game) { return IsRSFamily(game) ? kRSRegistry : kRB6Registry; }

// A 64-bit prefix's hive, as Wine writes it, with one game key holding the given values.
QByteArray HiveWith(const QString &game, const Values &values)
{
    QByteArray text = HiveHeader(true);
    QString key = KeyOf(game);
    key.replace(QStringLiteral("SOFTWARE\\"), QStringLiteral("Software\\Wow6432Node\\"));
    text += "\n[" + key.replace(QStringLiteral("\\"), QStringLiteral("\\\\")).toLatin1() + "] 1735689600\n";
    text += "\"InstallationPath\"=\"C:\\\\Games\\\\Red Storm\"\n";
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        text += "\"" + it.key().toLatin1() + "\"=\"" + it.value().toLatin1() + "\"\n";
    return text;
}

// Every string value under the game key, read back through a store of its own.
Values StoredValues(const TempHive &hive, const QString &game)
{
    RegistryStore store(hive.path());
    CRegUtil reg(hive.path());
    Values out;
    for (const RegValue &value : store.values(KeyOf(game)))
        out.insert(value.name, reg.GetSettingString(HKEY_LOCAL_MACHINE, KeyOf(game), value.name));
    return out;
}

// Sets the text of a control unless the row leaves it alone (a null text).
void Edit(QLineEdit *box, const QString &text)
{
    if (!text.isNull())
        box->setText(text);
}

void Edit(QComboBox *box, const QString &text)
{
    if (!text.isNull())
        box->setEditText(text);
}

QList<QComboBox *> Lists(const frmPlayerConfig &dialog)
{
    return {dialog.cboPrimary, dialog.cboSecondary, dialog.cboKit1, dialog.cboKit2};
}

struct Session {
    explicit Session(const QString &game, const Values &stored) : hive(HiveWith(game, stored))
    {
        ReleaseRegUtil();
        gGameType = game;
        gRegistry = KeyOf(game);
    }
    ~Session() { ReleaseRegUtil(); }
    TempHive hive;
    ScriptedMessageBox messages;
};

const QString kRS = kRogueSpear;
const QString kUO = kUrbanOperations;
const QString kRB6 = kRainbowSix;
const QString kEW = kEagleWatch;

} // namespace

class TestPlayerConfig : public QObject {
    Q_OBJECT

private slots:
    void okStoresTheChosenLoadout_data();
    void okStoresTheChosenLoadout();
    void everyEntryComesBackAfterOk_data();
    void everyEntryComesBackAfterOk();
    void cancelAfterEditsWritesNothing_data();
    void cancelAfterEditsWritesNothing();
    void typedTextMustNameAnEntryExactly_data();
    void typedTextMustNameAnEntryExactly();
    void nameLimitStopsTypingButKeepsStoredNames();
    void unknownGameReportsEveryProcedureAndStillCloses();
};

void TestPlayerConfig::okStoresTheChosenLoadout_data()
{
    QTest::addColumn<QString>("game");
    QTest::addColumn<Values>("stored");
    QTest::addColumn<QStringList>("shown"); // primary, secondary, kit 1, kit 2 after loading
    QTest::addColumn<QList<int>>("listSizes");
    QTest::addColumn<QStringList>("firstItems");
    QTest::addColumn<bool>("clanShown");
    QTest::addColumn<QStringList>("edits"); // name, clan, primary, secondary, kit 1, kit 2
    QTest::addColumn<Values>("expected");

    const QString keep; // a null text: the row leaves that control alone

    QTest::newRow("Rogue Spear: every slot changed, same item in both kit slots")
        << kRS
        << Values{{kName, "Ding"}, {kClan, "RSE"}, {kWeapon1, "pw_mp5sd.wpn"}, {kWeapon2, "sw_de357.wpn"},
                  {kItem1, "C4.eq"}, {kItem2, "largebreach.eq"}}
        << QStringList{"HK MP5SD5", "0.357 Desert Eagle", "C4", "Breaching Charge"} << QList<int>{25, 9, 16, 16}
        << QStringList{"Empty", "Empty", "Empty", "Empty"} << true
        << QStringList{"Chavez", "", "Barret 82A1", "Empty", "HBS Jammer", "HBS Jammer"}
        << Values{{"InstallationPath", "C:\\Games\\Red Storm"}, {kName, "Chavez"}, {kClan, ""},
                  {kWeapon1, "pw_barrett.wpn"}, {kWeapon2, "none.wpn"}, {kItem1, "hbsensorjammer.eq"},
                  {kItem2, "hbsensorjammer.eq"}};

    QTest::newRow("Urban Operations: RS lists, an untouched empty slot stays unwritten")
        << kUO << Values{{kName, "Loiselle"}} << QStringList{"", "", "", ""} << QList<int>{25, 9, 16, 16}
        << QStringList{"Empty", "Empty", "Empty", "Empty"} << true
        << QStringList{keep, "UO Clan", "M4 Carbine", ".50 Desert Eagle", "Empty", keep}
        << Values{{"InstallationPath", "C:\\Games\\Red Storm"}, {kName, "Loiselle"}, {kClan, "UO Clan"},
                  {kWeapon1, "pw_car15.wpn"}, {kWeapon2, "sw_50.wpn"}, {kItem1, "none.eq"}};

    QTest::newRow("Rainbow Six: names from other games show empty and are kept; no clan")
        << kRB6
        << Values{{kName, "Price"}, {kClan, "Stored Clan"}, {kWeapon1, "pw_m14.wpn"}, {kWeapon2, "sw_40.wpn"},
                  {kItem1, "largebreach.eq"}, {kItem2, "largeBreach.eq"}}
        << QStringList{"", "HK .40 USP", "", "Breaching Charge"} << QList<int>{6, 6, 10, 10}
        << QStringList{"HK MP5A5", "92FS 9mm", "Empty", "Empty"} << false
        << QStringList{"", "Typed Clan", keep, keep, "Frags", keep}
        << Values{{"InstallationPath", "C:\\Games\\Red Storm"}, {kName, ""}, {kClan, "Stored Clan"},
                  {kWeapon1, "pw_m14.wpn"}, {kWeapon2, "sw_40.wpn"}, {kItem1, "frag.eq"},
                  {kItem2, "largeBreach.eq"}};

    QTest::newRow("Eagle Watch: own weapon names, RB6 kit without smokes, no clan written")
        << kEW << Values{{kWeapon1, "pw_g36k.wpn"}, {kWeapon2, "sw_50.wpn"}, {kItem1, "smoke.eq"}}
        << QStringList{"G36", "DE .50", "", ""} << QList<int>{8, 7, 10, 10}
        << QStringList{"HK MP5A5", "92FS 9mm", "Empty", "Empty"} << false
        << QStringList{"Noronha", "Typed Clan", "G3", keep, "HBS", "Breaching Charge"}
        << Values{{"InstallationPath", "C:\\Games\\Red Storm"}, {kName, "Noronha"}, {kWeapon1, "pw_g3a3.wpn"},
                  {kWeapon2, "sw_50.wpn"}, {kItem1, "hbsensor.eq"}, {kItem2, "largeBreach.eq"}};
}

void TestPlayerConfig::okStoresTheChosenLoadout()
{
    QFETCH(QString, game);
    QFETCH(Values, stored);
    QFETCH(QStringList, shown);
    QFETCH(QList<int>, listSizes);
    QFETCH(QStringList, firstItems);
    QFETCH(bool, clanShown);
    QFETCH(QStringList, edits);
    QFETCH(Values, expected);

    Session session(game, stored);
    frmPlayerConfig dialog;
    QCOMPARE(session.messages.texts(), QStringList());

    const QList<QComboBox *> lists = Lists(dialog);
    for (int i = 0; i < lists.size(); ++i) {
        QCOMPARE(lists[i]->currentText(), shown[i]);
        QCOMPARE(lists[i]->count(), listSizes[i]);
        QCOMPARE(lists[i]->itemText(0), firstItems[i]);
    }
    QCOMPARE(dialog.txtPlayerName->text(), stored.value(kName));
    QCOMPARE(!dialog.txtClanName->isHidden(), clanShown);
    QCOMPARE(!dialog.lblClanName->isHidden(), clanShown);
    if (clanShown)
        QCOMPARE(dialog.txtClanName->text(), stored.value(kClan));

    Edit(dialog.txtPlayerName, edits[0]);
    Edit(dialog.txtClanName, edits[1]);
    for (int i = 0; i < lists.size(); ++i)
        Edit(lists[i], edits[i + 2]);
    dialog.cmdOK_Click();

    QCOMPARE(session.messages.texts(), QStringList());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(StoredValues(session.hive, game), expected);
}

void TestPlayerConfig::everyEntryComesBackAfterOk_data() { cancelAfterEditsWritesNothing_data(); }

// What OK stores for an entry must bring the same entry back on the next opening: a file name
// given twice, or a stored name the other direction does not know, fails here.
void TestPlayerConfig::everyEntryComesBackAfterOk()
{
    QFETCH(QString, game);
    Session session(game, Values{});
    int rows = 0;
    const frmPlayerConfig first;
    for (const QComboBox *list : Lists(first))
        rows = std::max(rows, list->count());
    QVERIFY(rows > 0);

    for (int i = 0; i < rows; ++i) {
        QStringList chosen;
        {
            frmPlayerConfig dialog;
            for (QComboBox *list : Lists(dialog)) {
                list->setCurrentIndex(std::min(i, list->count() - 1));
                chosen << list->currentText();
            }
            dialog.cmdOK_Click();
        }
        const frmPlayerConfig reopened;
        QStringList shown;
        for (const QComboBox *list : Lists(reopened))
            shown << list->currentText();
        QCOMPARE(shown, chosen);
    }
    QCOMPARE(session.messages.texts(), QStringList());
}

void TestPlayerConfig::cancelAfterEditsWritesNothing_data()
{
    QTest::addColumn<QString>("game");
    for (const QString &game : kGameNames)
        QTest::newRow(qPrintable(game)) << game;
}

void TestPlayerConfig::cancelAfterEditsWritesNothing()
{
    QFETCH(QString, game);
    Session session(game, Values{{kName, "Ding"}, {kClan, "RSE"}, {kWeapon1, "pw_mp5.wpn"}});
    const QByteArray before = session.hive.read();

    frmPlayerConfig dialog;
    dialog.txtPlayerName->setText(QStringLiteral("Someone Else"));
    dialog.txtClanName->setText(QStringLiteral("Other Clan"));
    for (QComboBox *list : Lists(dialog))
        list->setCurrentIndex(list->count() - 1);
    dialog.cmdCancell->click();

    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(session.hive.read(), before);
    QCOMPARE(session.messages.texts(), QStringList());
}

void TestPlayerConfig::typedTextMustNameAnEntryExactly_data()
{
    QTest::addColumn<QString>("game");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expectedWeapon1");

    QTest::newRow("display name in lower case") << kRS << "hk mp5a5" << "pw_mp5sd.wpn";
    QTest::newRow("display name in upper case") << kEW << "BENELLI 12GA." << "pw_mp5sd.wpn";
    QTest::newRow("trailing blank") << kRB6 << "M16 " << "pw_mp5sd.wpn";
    QTest::newRow("name from another game's list") << kRB6 << "HK MP5SD5" << "pw_mp5sd.wpn";
    QTest::newRow("exact display name") << kRS << "HK MP5A5" << "pw_mp5.wpn";
    QTest::newRow("exact, shared by two files in other games") << kEW << "CAR15" << "pw_car15.wpn";
}

// Typed on the keyboard and confirmed with Return, as a player would.
void TestPlayerConfig::typedTextMustNameAnEntryExactly()
{
    QFETCH(QString, game);
    QFETCH(QString, typed);
    QFETCH(QString, expectedWeapon1);

    Session session(game, Values{{kWeapon1, "pw_mp5sd.wpn"}});
    frmPlayerConfig dialog;
    dialog.show();
    QLineEdit *edit = dialog.cboPrimary->lineEdit();
    const int listSize = dialog.cboPrimary->count();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, typed);
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(dialog.cboPrimary->currentText(), typed);
    QCOMPARE(dialog.cboPrimary->count(), listSize);
    if (dialog.isVisible())
        dialog.cmdOK_Click();

    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(StoredValues(session.hive, game).value(kWeapon1), expectedWeapon1);
}

void TestPlayerConfig::nameLimitStopsTypingButKeepsStoredNames()
{
    const QString longName = QStringLiteral("A name that is well over the limit of 35");
    Session session(kRS, Values{{kName, longName}, {kClan, "Clan"}});
    {
        frmPlayerConfig dialog;
        QCOMPARE(dialog.txtPlayerName->text(), longName);
        dialog.cmdOK_Click();
    }
    QCOMPARE(StoredValues(session.hive, kRS).value(kName), longName);

    frmPlayerConfig dialog;
    dialog.show();
    for (QLineEdit *box : {dialog.txtPlayerName, dialog.txtClanName}) {
        box->clear();
        QTest::keyClicks(box, QString(40, QLatin1Char('x')));
        QCOMPARE(box->text().size(), box == dialog.txtClanName ? 35 : longName.size());
    }
}

void TestPlayerConfig::unknownGameReportsEveryProcedureAndStillCloses()
{
    const QString game = QStringLiteral("Counter Strike");
    Session session(game, Values{{kName, "Ding"}, {kWeapon1, "pw_mp5.wpn"}});
    frmPlayerConfig dialog;

    const QString error = QStringLiteral(" 9 Subscript out of range");
    QStringList expected;
    for (const char *procedure : {"LoadDefaultPrimaryWep", "LoadDefaultSecondaryWep", "LoadDefaultKit1",
                                  "LoadDefaultKit2", "LoadPrimaryWeps", "LoadSecondaryWeps", "LoadKitItem1",
                                  "LoadKitItem2"})
        expected << QStringLiteral("Error in ") + QLatin1String(procedure) + error;
    QCOMPARE(session.messages.texts(), expected);
    for (const ShownMessage &shown : session.messages.shown()) {
        QCOMPARE(shown.title, QStringLiteral("Skirmdeck"));
        QVERIFY(shown.buttons == MsgButtons::OK && shown.icon == MsgIcon::None);
    }
    // Loading went on past the failing procedures.
    QCOMPARE(dialog.txtPlayerName->text(), QStringLiteral("Ding"));
    QVERIFY(!dialog.txtClanName->isHidden());
    QCOMPARE(dialog.cboPrimary->count(), 0);

    session.messages.clear();
    dialog.txtPlayerName->setText(QStringLiteral("Chavez"));
    dialog.txtClanName->setText(QStringLiteral("Clan"));
    dialog.cboPrimary->setEditText(QStringLiteral("Empty"));
    dialog.cmdOK_Click();

    QCOMPARE(session.messages.texts(), QStringList{QStringLiteral("Error in WriteToReg") + error});
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(StoredValues(session.hive, game),
             (Values{{"InstallationPath", "C:\\Games\\Red Storm"}, {kName, "Chavez"}, {kWeapon1, "pw_mp5.wpn"}}));
}

QTEST_MAIN(TestPlayerConfig)
#include "test_player_config.moc"
