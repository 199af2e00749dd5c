#include "core/state/AppState.h"
#include "gui/options/frmPlayerConfig.h"
#include "tests/gui/options/ServerHive.h"
#include "tests/gui/support/AppTestSupport.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using NamedValues = QMap<QString, QString>;

namespace {

const QString kName = "MultiplayerPlayerName", kClan = "MultiplayerClanName", kWeapon1 = "MultiplayerWeapon1",
              kWeapon2 = "MultiplayerWeapon2", kItem1 = "MultiplayerItem1", kItem2 = "MultiplayerItem2";

// A 64-bit prefix's hive, as Wine writes it, with the game key holding the given values.
OptionsDesk Desk(const QString &game, const NamedValues &values)
{
    QStringList lines;
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        lines << Sz(it.key(), it.value());
    return OptionsDesk(game, lines, {}, true);
}

// Name, clan, primary, secondary, kit 1, kit 2, as stored; a null text: no value.
NamedValues Loadout(const QStringList &texts)
{
    static const QStringList names = {kName, kClan, kWeapon1, kWeapon2, kItem1, kItem2};
    NamedValues values;
    for (qsizetype i = 0; i < texts.size(); ++i)
        if (!texts[i].isNull())
            values.insert(names[i], texts[i]);
    return values;
}

QList<QComboBox *> Lists(const frmPlayerConfig &dialog)
{
    return {dialog.cboPrimary, dialog.cboSecondary, dialog.cboKit1, dialog.cboKit2};
}

QStringList ListTexts(const frmPlayerConfig &dialog)
{
    return {dialog.cboPrimary->currentText(), dialog.cboSecondary->currentText(), dialog.cboKit1->currentText(),
            dialog.cboKit2->currentText()};
}

// Name, clan, then the four lists; a null text leaves that control alone.
void Edit(frmPlayerConfig &dialog, const QStringList &edits)
{
    // A hidden clan box cannot be typed into.
    if (!edits[0].isNull())
        TypeOver(dialog.txtPlayerName, edits[0]);
    if (!edits[1].isNull() && !dialog.txtClanName->isHidden())
        TypeOver(dialog.txtClanName, edits[1]);
    // Return confirms a list's text, as a player does, and must not add it to the list.
    for (int i = 0; i < 4; ++i)
        if (!edits[i + 2].isNull()) {
            TypeOver(Lists(dialog)[i], edits[i + 2]);
            QTest::keyClick(Lists(dialog)[i]->lineEdit(), Qt::Key_Return);
        }
}

} // namespace

class TestPlayerConfig : public QObject {
    Q_OBJECT

private slots:
    void okStoresTheLoadoutTyped_data()
    {
        QTest::addColumn<QString>("game");
        QTest::addColumn<NamedValues>("stored");
        QTest::addColumn<QStringList>("shown"); // the four lists after loading
        QTest::addColumn<QStringList>("edits"); // name, clan, the four lists
        QTest::addColumn<NamedValues>("expected");
        const QString keep;

        QTest::newRow("Rogue Spear: every slot changed, same item in both kit slots")
            << kRogueSpear << Loadout({"Ding", "RSE", "pw_mp5sd.wpn", "sw_de357.wpn", "C4.eq", "largebreach.eq"})
            << QStringList{"HK MP5SD5", "0.357 Desert Eagle", "C4", "Breaching Charge"}
            << QStringList{"Chavez", "", "Barret 82A1", "Empty", "HBS Jammer", "HBS Jammer"}
            << Loadout({"Chavez", "", "pw_barrett.wpn", "none.wpn", "hbsensorjammer.eq", "hbsensorjammer.eq"});
        QTest::newRow("Rainbow Six: names of other games show empty and are kept, clan not written")
            << kRainbowSix
            << Loadout({"Price", "Old Clan", "pw_m14.wpn", "sw_40.wpn", "largebreach.eq", "largeBreach.eq"})
            << QStringList{"", "HK .40 USP", "", "Breaching Charge"}
            << QStringList{"", "Typed Clan", "HK MP5SD5", keep, "Frags", keep}
            << Loadout({"", "Old Clan", "pw_m14.wpn", "sw_40.wpn", "frag.eq", "largeBreach.eq"});
        // A typed text names an entry exactly, or the stored one stays.
        QTest::newRow("Rogue Spear: inexact texts keep what is stored")
            << kRogueSpear << Loadout({keep, keep, "pw_mp5sd.wpn", "sw_de357.wpn"})
            << QStringList{"HK MP5SD5", "0.357 Desert Eagle", "", ""}
            << QStringList{keep, keep, "hk mp5a5", "0.357 Desert Eagle ", keep, keep}
            << Loadout({"", "", "pw_mp5sd.wpn", "sw_de357.wpn"});
    }

    // Cancel first (nothing may change), then the same edits with OK.
    void okStoresTheLoadoutTyped()
    {
        QFETCH(QString, game);
        QFETCH(NamedValues, stored);
        QFETCH(QStringList, shown);
        QFETCH(QStringList, edits);
        QFETCH(NamedValues, expected);
        const OptionsDesk session = Desk(game, stored);
        const QByteArray before = session.hive.read();
        {
            frmPlayerConfig dialog;
            dialog.show();
            Edit(dialog, edits);
            ClickOn(dialog.cmdCancell);
            QVERIFY(!dialog.isVisible());
            QCOMPARE(session.hive.read(), before);
        }

        frmPlayerConfig dialog;
        QCOMPARE(ListTexts(dialog), shown);
        QCOMPARE(dialog.txtPlayerName->text(), stored.value(kName));
        QCOMPARE(dialog.txtClanName->isHidden(), !IsRSFamily(game));
        QCOMPARE(dialog.txtClanName->text(), IsRSFamily(game) ? stored.value(kClan) : QString());

        const int entries = dialog.cboPrimary->count();
        Edit(dialog, edits);
        QCOMPARE(dialog.cboPrimary->count(), entries);
        ClickOn(dialog.cmdOK);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(session.messages.texts(), QStringList());
        // Every value of the hive as the program reads it back.
        NamedValues after;
        for (const auto &[name, value] : HiveSnapshot(session.hive.path(), game).asKeyValueRange())
            after.insert(name, value.mid(QStringLiteral("sz:").size()));
        QCOMPARE(after, expected);
    }

    void everyEntryComesBackAfterOk_data()
    {
        QTest::addColumn<QString>("game");
        for (const QString &game : kGameNames)
            QTest::newRow(qPrintable(game)) << game;
    }

    // What OK stores for an entry must bring that entry back at the next opening: a file name
    // given twice, or one the other direction does not know, fails here.
    void everyEntryComesBackAfterOk()
    {
        QFETCH(QString, game);
        const OptionsDesk session = Desk(game, {});
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
                    chosen << list->itemText(std::min(i, list->count() - 1));
                    TypeOver(list, chosen.last());
                }
                ClickOn(dialog.cmdOK);
            }
            QCOMPARE(ListTexts(frmPlayerConfig()), chosen);
        }
        QCOMPARE(session.messages.texts(), QStringList());
    }
};

QTEST_MAIN(TestPlayerConfig)
#include "test_player_config.moc"
