#include "core/state/AppState.h"
#include "gui/options/frmServerConfig.h"
#include "gui/options/frmServerUpdate.h"
#include "tests/support/FakeMainLink.h"
#include "tests/support/UserLocale.h"
#include "tests/gui/options/ServerHive.h"
#include "tests/gui/support/AppTestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace {

// The value names behind the boxes, by index; empty where a family has no box.
const QStringList kRSNames = {
    "MultiplayerForceFog",          "MultiplayerForceWeatherFX",   "MultiplayerLoudFootsteps",
    "MultiplayerShowEnemies",       "MultiplayerAutotargetting",   "MultiplayerRandomMaps",
    "MultiplayerRandomTeams",       "MultiplayerRandomInsertions", "MultiplayerUseKitRestrictions",
    "MultiplayerDisplayNamesOnMap", "MultiplayerAnnounceGames",    "MultiplayerAllowArmPatch",
    "MultiplayerRequirePassword"};
const QStringList kRB6Names = QStringList{"MultiplayerBehindFirewall", "MultiplayerUseVoice",
                                          "MultiplayerAllowVoice",     "MultiplayerAnnounceGames",
                                          "MultiplayerOnLan",          "MultiplayerAutotargetting"} +
                              QStringList(6, QString()) + QStringList{"MultiplayerRequirePassword"};

const QStringList &OptNames(const QString &game) { return IsRSFamily(game) ? kRSNames : kRB6Names; }

// Stored option texts, one letter per box: T "True", F "False", t "true", 1 "1", 0 "0"; '-' or ' '
// nothing stored.
QString StoredText(QChar code)
{
    static const QHash<QChar, QString> texts{{'T', "True"}, {'F', "False"}, {'t', "true"}, {'1', "1"}, {'0', "0"}};
    return texts.value(code);
}
bool StoredOn(QChar code) { return code == 'T' || code == 't' || code == '1'; }

QString OptChange(const QString &game, int index, bool on)
{
    return OptNames(game)[index] + (on ? "=sz:True" : "=sz:False");
}

// Numbers typed into the two lists and what OK stores: players, blue, gold, seconds (-1: nothing).
struct NumberCase {
    const char *name;
    int storedSeconds; // -1: nothing stored
    QString shownMinutes, typedMinutes /* null: as shown */, typedPlayers;
    QList<int> afterwards;
    bool mismatch;
    QString locale = "C";
};

// A hive with the game's options, texts and numbers as OK would store them again (a game length
// of -1 seconds: none stored), the game current.
OptionsDesk Prepare(const QString &game, const QString &codes, int seconds = 0)
{
    QStringList lines;
    for (int i = 0; i < codes.size(); ++i)
        if (!OptNames(game)[i].isEmpty() && !StoredText(codes[i]).isNull())
            lines << Sz(OptNames(game)[i], StoredText(codes[i]));
    lines << Sz("MultiplayerServerName", "Stored Server") << Sz("MultiplayerMessageName", "Stored MOTD")
          << Sz("MultiplayerPassword", "storedpw") << Dword("MultiplayerMaximumNumberOfPlayers", 12)
          << Dword("MultiplayerBlueTeamSize", 6) << Dword("MultiplayerGoldTeamSize", 6);
    if (seconds >= 0)
        lines << Dword("MultiplayerGameLength", seconds);
    return OptionsDesk(game, lines, QStringList{Sz("PostServerUpdate", "False")});
}

} // namespace
Q_DECLARE_METATYPE(NumberCase)

class TestServerConfig : public QObject {
    Q_OBJECT

private slots:
    void okWritesTextsAndChangedOptions_data()
    {
        QTest::addColumn<bool>("ok"); // or Cancel
        QTest::addColumn<QString>("game");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QList<int>>("clicks");
        // Texts other than "True" and "False" show a rewrite that leaves the meaning as it was; a
        // box toggled twice is no change. Loading already proves every name.
        QTest::newRow("Urban Operations, every box once but one twice")
            << true << kUrbanOperations << "TFF1t0TFTFTFF" << QList<int>{0, 1, 2, 4, 5, 6, 7, 8, 9, 10, 11, 12, 3, 3};
        // The hidden rows and whatever was stored behind them stay out of it.
        QTest::newRow("Rainbow Six, every box")
            << true << kRainbowSix << "TF10tF      F" << QList<int>{0, 1, 2, 3, 4, 5, 12};
        QTest::newRow("Rogue Spear, cancelled") << false << kRogueSpear << "TFTFTFTFTFTFT" << QList<int>{0, 3, 4, 12};
    }

    // Create Game Opts stores its own box at once, whether OK or Cancel closes the dialog.
    void okWritesTextsAndChangedOptions()
    {
        QFETCH(bool, ok);
        QFETCH(QString, game);
        QFETCH(QString, stored);
        QFETCH(QList<int>, clicks);
        const OptionsDesk desk = Prepare(game, stored);
        frmServerConfig dlg;
        dlg.show();

        for (int i = 0; i < 13; ++i)
            if (!OptNames(game)[i].isEmpty())
                QCOMPARE(dlg.chkServerOpts[i]->isChecked(), StoredOn(stored[i]));
        QCOMPARE(QStringList({dlg.txtServername->text(), dlg.txtMOTD->text(), dlg.txtPW->text()}),
                 QStringList({"Stored Server", "Stored MOTD", "storedpw"}));
        // The controls only the Rogue Spear family shows.
        for (QWidget *w : QList<QWidget *>{dlg.cboMaxPlayers, dlg.lblMaxPlayers, dlg.cboGameLength, dlg.lblGameLength,
                                           dlg.chkServerOpts[6], dlg.chkServerOpts[11]})
            QCOMPARE(w->isHidden(), !IsRSFamily(game));
        for (int index : clicks) {
            ClickOn(dlg.chkServerOpts[index]);
            // Clicks on other boxes leave the password box as loading set it.
            QCOMPARE(dlg.txtPW->isEnabled(), dlg.chkServerOpts[12]->isChecked());
        }
        TypeOver(dlg.txtServername, "New Server");
        TypeOver(dlg.txtMOTD, "New MOTD");
        QStringList expected = {"MultiplayerServerName=sz:New Server", "MultiplayerMessageName=sz:New MOTD"};
        // The password box takes typing only while "Use Password" is checked.
        if (dlg.txtPW->isEnabled()) {
            TypeOver(dlg.txtPW, "newpw");
            expected << "MultiplayerPassword=sz:newpw";
        }
        for (int i = 0; i < 13; ++i)
            if (clicks.count(i) % 2 == 1)
                expected << OptChange(game, i, !StoredOn(stored[i]));
        // Create Game Opts shows the main window's flag, not the stored one; its box is flipped and
        // OK clicked from inside its own event loop, as it is modal.
        FakeMainLink mainLink;
        mainLink.mboolUpdate = !IsRSFamily(game);
        bool answered = false;
        QTimer::singleShot(0, &dlg, [&] {
            if (auto *update = qobject_cast<frmServerUpdate *>(QApplication::activeModalWidget())) {
                answered = update->chkUpdate->isChecked() == mainLink.mboolUpdate;
                ClickOn(update->chkUpdate);
                ClickOn(update->cmdOK);
            }
        });
        ClickOn(dlg.cmdUpdate);
        QVERIFY(answered);
        QVERIFY(dlg.isVisible());
        QCOMPARE(mainLink.mboolUpdate, IsRSFamily(game));
        ClickOn(ok ? dlg.cmdOK : dlg.cmdCancell);

        QVERIFY(desk.messages.texts().isEmpty());
        QVERIFY(!dlg.isVisible());
        // Stored "False": only a flag the main window held as on shows as a change.
        expected = ok ? expected : QStringList{};
        if (IsRSFamily(game))
            expected << "~PostServerUpdate=sz:True";
        expected.sort();
        QCOMPARE(desk.changes(), expected);
    }

    void typedNumbersAreStoredAsTyped_data()
    {
        QTest::addColumn<NumberCase>("c");
        // "1" and "2" begin list entries ("16", "20"): nothing may complete them.
        const NumberCase cases[] = {
            {"missing, 1 player, 2 minutes", -1, "--", "2", "1", {1, 0, 0, 120}, false},
            {"-- typed, 7 players", 600, "10", "--", "7", {7, 4, 4, 0}, false},
            {"empty maximum", 60, "1", "5", "", {12, 6, 6, 60}, true},
            // A German player reads and types a decimal comma; a point means the same to him.
            {"de: 90 s, 2,5 minutes", 90, "1,5", "2,5", "5", {5, 2, 2, 150}, false, "de_DE.UTF-8"},
            {"de: 100 s kept as shown", 100, "1,66666666666667", {}, "16", {16, 8, 8, 100}, false, "de_DE.UTF-8"},
        };
        for (const NumberCase &c : cases)
            QTest::newRow(c.name) << c;
    }

    void typedNumbersAreStoredAsTyped()
    {
        QFETCH(NumberCase, c);
        UserLocale user(c.locale);
        REQUIRE_LOCALE(user);
        const OptionsDesk desk = Prepare(kRogueSpear, "FFFFFFFFFFFFF", c.storedSeconds);
        frmServerConfig dlg;
        dlg.show();

        QCOMPARE(dlg.cboGameLength->currentText(), c.shownMinutes);
        if (!c.typedMinutes.isNull())
            TypeOver(dlg.cboGameLength, c.typedMinutes);
        TypeOver(dlg.cboMaxPlayers, c.typedPlayers);
        ClickOn(dlg.chkServerOpts[7]);
        ClickOn(dlg.cmdOK);

        // A number that does not convert stops the numbers, not the boxes before them, and OK still closes.
        QCOMPARE(desk.messages.texts(),
                 c.mismatch ? QStringList{"Error in WriteRSServerOptsType mismatch 13"} : QStringList{});
        QVERIFY(!dlg.isVisible());
        QVERIFY(desk.changes().contains(OptChange(kRogueSpear, 7, true)));
        CRegUtil reg(desk.hive.path());
        QList<int> actual;
        for (const char *name : {"MultiplayerMaximumNumberOfPlayers", "MultiplayerBlueTeamSize",
                                 "MultiplayerGoldTeamSize", "MultiplayerGameLength"})
            actual << reg.GetSettingLong(HKEY_LOCAL_MACHINE, kRSRegistry, name, -1);
        QCOMPARE(actual, c.afterwards);
    }

    // A missing option stops the loading there: the boxes after it keep no caption.
    void unreadableOptionStopsLoading()
    {
        const QString game = kEagleWatch, stored = "TFTF-T      F";
        const OptionsDesk desk = Prepare(game, stored);
        frmServerConfig dlg;

        QCOMPARE(desk.messages.texts(), QStringList{"Error in LoadRB6ServerOptsType mismatch 13"});
        for (int i : {0, 1, 2, 3, 4, 5, 12}) {
            QCOMPARE(dlg.chkServerOpts[i]->text().isEmpty(), i > 4);
            QCOMPARE(dlg.chkServerOpts[i]->isChecked(), i < 4 && StoredOn(stored[i]));
        }
        // Loading stopped before the password box was dealt with.
        QVERIFY(dlg.txtPW->isEnabled());
        // The rest of the load still ran, and boxes clicked from now on count as changes.
        QCOMPARE(dlg.txtPW->text(), "storedpw");
        ClickOn(dlg.chkServerOpts[0]);
        ClickOn(dlg.cmdOK);
        QCOMPARE(desk.messages.texts().size(), 1);
        QVERIFY(desk.changes().contains(OptChange(game, 0, false)));
    }
};

QTEST_MAIN(TestServerConfig)
#include "test_server_config.moc"
