#include "app/AppState.h"
#include "options/frmServerConfig.h"
#include "options/frmServerUpdate.h"
#include "settings/MsgBox.h"
#include "tests/common/FakeMainLink.h"
#include "tests/common/TestSupport.h"
#include "tests/options/ServerHive.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace {

// The value names behind the boxes, by index; empty where a family has no box.
const QStringList kRSNames = {
    "MultiplayerForceFog",         "MultiplayerForceWeatherFX",     "MultiplayerLoudFootsteps",
    "MultiplayerShowEnemies",      "MultiplayerAutotargetting",     "MultiplayerRandomMaps",
    "MultiplayerRandomTeams",      "MultiplayerRandomInsertions",   "MultiplayerUseKitRestrictions",
    "MultiplayerDisplayNamesOnMap", "MultiplayerAnnounceGames",     "MultiplayerAllowArmPatch",
    "MultiplayerRequirePassword"};
const QStringList kRB6Names = {"MultiplayerBehindFirewall", "MultiplayerUseVoice", "MultiplayerAllowVoice",
                               "MultiplayerAnnounceGames", "MultiplayerOnLan", "MultiplayerAutotargetting",
                               "", "", "", "", "", "", "MultiplayerRequirePassword"};

QString GameKey(const QString &game) { return IsRSFamily(game) ? kRSRegistry : kRB6Registry; }
QString ShortKey(const QString &game) { return GameKey(game).section(QLatin1Char('\\'), -1); }
const QStringList &OptNames(const QString &game) { return IsRSFamily(game) ? kRSNames : kRB6Names; }

// Stored option texts, one letter per box: T "True", F "False", t "true", 1 "1", 0 "0",
// x "yes" (no on/off text), e "" (an empty text), '-' or ' ' nothing stored.
QString StoredText(QChar code)
{
    switch (code.toLatin1()) {
    case 'T': return "True";
    case 'F': return "False";
    case 't': return "true";
    case '1': return "1";
    case '0': return "0";
    case 'x': return "yes";
    case 'e': return QString("");
    default: return {};
    }
}
bool StoredOn(QChar code) { return code == 'T' || code == 't' || code == '1'; }

QStringList OptionLines(const QString &game, const QString &codes)
{
    QStringList lines;
    for (int i = 0; i < codes.size(); ++i)
        if (!OptNames(game)[i].isEmpty() && !StoredText(codes[i]).isNull())
            lines << Sz(OptNames(game)[i], StoredText(codes[i]));
    return lines;
}

QString Change(const QString &game, const QString &name, const QString &what)
{
    return ShortKey(game) + '\\' + name + '=' + what;
}
QString OptChange(const QString &game, int index, bool on)
{
    return Change(game, OptNames(game)[index], on ? "sz:True" : "sz:False");
}
QString NumChange(const QString &game, const QString &name, int number)
{
    return Change(game, name, "dword:" + QString::number(number));
}

const QString kStoredName = "Stored Server";
const QString kStoredMOTD = "Stored MOTD";
const QString kStoredPW = "storedpw";

} // namespace

class TestServerConfig : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TempHive> m_hive;
    QMap<QString, QString> m_before;

    // Prepares the hive with the game's options and texts, and makes the game current.
    void prepare(const QString &game, const QString &codes, const QStringList &extra = {})
    {
        QStringList lines = OptionLines(game, codes);
        lines << Sz("MultiplayerServerName", kStoredName) << Sz("MultiplayerMessageName", kStoredMOTD)
              << Sz("MultiplayerPassword", kStoredPW) << extra;
        m_hive = std::make_unique<TempHive>(
            BuildHive({{kRedStormKey, {Sz("PostServerUpdate", "False")}}, {GameKey(game), lines}}));
        ReleaseRegUtil();
        gGameType = game;
        gRegistry = GameKey(game);
        m_before = HiveSnapshot(m_hive->path());
    }
    QStringList changes() const { return HiveChanges(m_before, HiveSnapshot(m_hive->path())); }

    static void typeTexts(frmServerConfig &dlg)
    {
        dlg.txtServername->setText("New Server");
        dlg.txtMOTD->setText("New MOTD");
        dlg.txtPW->setText("newpw");
    }
    static QStringList textChanges(const QString &game)
    {
        return {Change(game, "MultiplayerServerName", "sz:New Server"),
                Change(game, "MultiplayerMessageName", "sz:New MOTD"),
                Change(game, "MultiplayerPassword", "sz:newpw")};
    }

private slots:
    void cleanup()
    {
        m_hive.reset();
        ReleaseRegUtil();
    }

    void loadShowsCaptionsAndRows_data();
    void loadShowsCaptionsAndRows();
    void okWritesTextsNumbersAndChangedOptions_data();
    void okWritesTextsNumbersAndChangedOptions();
    void numbersConvertBothWays_data();
    void numbersConvertBothWays();
    void unreadableOptionStopsLoading_data();
    void unreadableOptionStopsLoading();
    void badNumberStopsWriting_data();
    void badNumberStopsWriting();
    void cancelWritesNothingAfterCreateGameOpts_data();
    void cancelWritesNothingAfterCreateGameOpts();
    void tabOrderFollowsLayout();
};

void TestServerConfig::loadShowsCaptionsAndRows_data()
{
    QTest::addColumn<QString>("game");
    QTest::addColumn<QStringList>("captions");
    const QStringList rs = {"Force Fog",          "Force Weather",        "Loud Footsteps",
                            "Show Enemies",       "Allow Auto Targeting", "Random Maps",
                            "Random Teams",       "Random Insertions",    "Use Kit Restrictions",
                            "Show Enemy Names",   "Announce Server(GameSpy)", "Allow Armpatches",
                            "Use Password"};
    const QStringList rb6 = {"Behind FireWall", "Use Voice", "Allow Voice", "Announce Server", "On Lan",
                             "Allow Auto-Targetting", "", "", "", "", "", "", "Use Password"};
    QTest::newRow("Rogue Spear") << kRogueSpear << rs;
    QTest::newRow("Urban Operations") << kUrbanOperations << rs;
    QTest::newRow("Rainbow Six") << kRainbowSix << rb6;
    QTest::newRow("Eagle Watch") << kEagleWatch << rb6;
}

void TestServerConfig::loadShowsCaptionsAndRows()
{
    QFETCH(QString, game);
    QFETCH(QStringList, captions);
    prepare(game, "TFTFTFTFTFTFT", {Dword("MultiplayerMaximumNumberOfPlayers", 12)});
    ScriptedMessageBox messages;
    frmServerConfig dlg;

    QVERIFY(messages.texts().isEmpty());
    QCOMPARE(dlg.windowTitle(), "Server Config");
    QCOMPARE(dlg.txtServername->text(), kStoredName);
    QCOMPARE(dlg.txtMOTD->text(), kStoredMOTD);
    QCOMPARE(dlg.txtPW->text(), kStoredPW);
    QCOMPARE(dlg.cboMaxPlayers->currentText(), "12");
    const bool rs = IsRSFamily(game);
    for (int i = 0; i < 13; ++i) {
        QCOMPARE(dlg.chkServerOpts[i]->text(), captions[i]);
        QCOMPARE(dlg.chkServerOpts[i]->isHidden(), captions[i].isEmpty());
        if (!captions[i].isEmpty())
            QCOMPARE(dlg.chkServerOpts[i]->isChecked(), i % 2 == 0);
    }
    for (QWidget *row : {static_cast<QWidget *>(dlg.cboMaxPlayers), static_cast<QWidget *>(dlg.lblMaxPlayers),
                         static_cast<QWidget *>(dlg.cboGameLength), static_cast<QWidget *>(dlg.lblGameLength)})
        QCOMPARE(row->isHidden(), !rs);
    QStringList maxItems;
    for (int i = 0; i < dlg.cboMaxPlayers->count(); ++i)
        maxItems << dlg.cboMaxPlayers->itemText(i);
    QCOMPARE(maxItems, QStringList({"16", "14", "12", "10", "8", "4", "2"}));
    if (rs) {
        QStringList lengthItems;
        for (int i = 0; i < dlg.cboGameLength->count(); ++i)
            lengthItems << dlg.cboGameLength->itemText(i);
        QCOMPARE(lengthItems, QStringList({"--", "1", "3", "5", "10", "20", "30", "60"}));
    }
    QVERIFY(dlg.txtPW->isEnabled());
}

void TestServerConfig::okWritesTextsNumbersAndChangedOptions_data()
{
    QTest::addColumn<QString>("game");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QStringList>("extra");
    QTest::addColumn<QList<int>>("clicks");
    QTest::addColumn<QString>("maxPlayers"); // null: as loaded
    QTest::addColumn<QString>("gameLength"); // null: as loaded
    QTest::addColumn<QStringList>("expected");

    const QString rs = kRogueSpear, uo = kUrbanOperations, r6 = kRainbowSix, ew = kEagleWatch;
    // Texts other than "True" and "False" show a rewrite that leaves the meaning as it was.
    QTest::newRow("Rogue Spear, no box touched")
        << rs << "t10TFTF1t0TFF"
        << QStringList{Dword("MultiplayerMaximumNumberOfPlayers", 12), Dword("MultiplayerBlueTeamSize", 3),
                       Dword("MultiplayerGoldTeamSize", 9)}
        << QList<int>{} << QString() << QString()
        << QStringList{NumChange(rs, "MultiplayerBlueTeamSize", 6), NumChange(rs, "MultiplayerGoldTeamSize", 6),
                       NumChange(rs, "MultiplayerGameLength", 0)};
    QTest::newRow("Urban Operations, boxes toggled, once and twice")
        << uo << "TFF1t0TFTFTFF"
        << QStringList{Dword("MultiplayerMaximumNumberOfPlayers", 16), Dword("MultiplayerBlueTeamSize", 8),
                       Dword("MultiplayerGoldTeamSize", 8), Dword("MultiplayerGameLength", 600)}
        << QList<int>{3, 5, 4, 4, 12} << "5" << "2.5"
        << QStringList{OptChange(uo, 3, false),
                       OptChange(uo, 5, true),
                       OptChange(uo, 12, true),
                       NumChange(uo, "MultiplayerMaximumNumberOfPlayers", 5),
                       NumChange(uo, "MultiplayerBlueTeamSize", 2),
                       NumChange(uo, "MultiplayerGoldTeamSize", 2),
                       NumChange(uo, "MultiplayerGameLength", 150)};
    QTest::newRow("Rogue Spear, every box toggled")
        << rs << "TFTFTFTFTFTFT"
        << QStringList{Dword("MultiplayerMaximumNumberOfPlayers", 12), Dword("MultiplayerBlueTeamSize", 6),
                       Dword("MultiplayerGoldTeamSize", 6), Dword("MultiplayerGameLength", 90)}
        << QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12} << QString() << QString()
        << QStringList{OptChange(rs, 0, false), OptChange(rs, 1, true),  OptChange(rs, 2, false),
                       OptChange(rs, 3, true),  OptChange(rs, 4, false), OptChange(rs, 5, true),
                       OptChange(rs, 6, false), OptChange(rs, 7, true),  OptChange(rs, 8, false),
                       OptChange(rs, 9, true),  OptChange(rs, 10, false), OptChange(rs, 11, true),
                       OptChange(rs, 12, false)};
    // The hidden rows keep whatever is typed into them out of the hive.
    QTest::newRow("Rainbow Six, Use Password only")
        << r6 << "TFTFTF      F"
        << QStringList{Dword("MultiplayerMaximumNumberOfPlayers", 16), Dword("MultiplayerGameLength", 600)}
        << QList<int>{12} << "4" << "60" << QStringList{OptChange(r6, 12, true)};
    QTest::newRow("Eagle Watch, every box toggled")
        << ew << "TF10tF      T" << QStringList{} << QList<int>{0, 1, 2, 3, 4, 5, 12} << "8" << "--"
        << QStringList{OptChange(ew, 0, false), OptChange(ew, 1, true),  OptChange(ew, 2, false),
                       OptChange(ew, 3, true),  OptChange(ew, 4, false), OptChange(ew, 5, true),
                       OptChange(ew, 12, false)};
}

void TestServerConfig::okWritesTextsNumbersAndChangedOptions()
{
    QFETCH(QString, game);
    QFETCH(QString, stored);
    QFETCH(QStringList, extra);
    QFETCH(QList<int>, clicks);
    QFETCH(QString, maxPlayers);
    QFETCH(QString, gameLength);
    QFETCH(QStringList, expected);
    prepare(game, stored, extra);
    ScriptedMessageBox messages;
    frmServerConfig dlg;
    dlg.show();

    for (int i = 0; i < 13; ++i)
        if (!OptNames(game)[i].isEmpty())
            QCOMPARE(dlg.chkServerOpts[i]->isChecked(), StoredOn(stored[i]));
    QCOMPARE(dlg.txtPW->isEnabled(), StoredOn(stored[12]));
    for (int index : clicks) {
        dlg.chkServerOpts[index]->click();
        QCOMPARE(dlg.txtPW->isEnabled(), dlg.chkServerOpts[12]->isChecked());
    }
    typeTexts(dlg);
    if (!maxPlayers.isNull())
        dlg.cboMaxPlayers->setEditText(maxPlayers);
    if (!gameLength.isNull())
        dlg.cboGameLength->setEditText(gameLength);
    dlg.cmdOK->click();

    QVERIFY(messages.texts().isEmpty());
    QVERIFY(!dlg.isVisible());
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    expected << textChanges(game);
    expected.sort();
    QCOMPARE(changes(), expected);
}

void TestServerConfig::numbersConvertBothWays_data()
{
    QTest::addColumn<QString>("game");
    QTest::addColumn<int>("storedSeconds"); // -1: nothing stored
    QTest::addColumn<QString>("shownMinutes");
    QTest::addColumn<QString>("typedMinutes"); // null: as shown
    QTest::addColumn<QString>("typedPlayers");
    QTest::addColumn<QList<int>>("written"); // players, blue, gold, seconds

    const QString rs = kRogueSpear, uo = kUrbanOperations;
    QTest::newRow("0 s, 16 players") << rs << 0 << "--" << QString() << "16" << QList<int>{16, 8, 8, 0};
    QTest::newRow("missing, 14 players") << uo << -1 << "--" << QString() << "14" << QList<int>{14, 7, 7, 0};
    QTest::newRow("300 s, 10 players") << rs << 300 << "5" << QString() << "10" << QList<int>{10, 5, 5, 300};
    QTest::newRow("90 s, 2 players") << uo << 90 << "1.5" << QString() << "2" << QList<int>{2, 1, 1, 90};
    QTest::newRow("100 s kept") << rs << 100 << "1.66666666666667" << QString() << "12"
                                << QList<int>{12, 6, 6, 100};
    QTest::newRow("-- chosen, 5 players") << uo << 600 << "10" << "--" << "5" << QList<int>{5, 2, 2, 0};
    QTest::newRow("2.5 typed, 7 players") << rs << 60 << "1" << "2.5" << "7" << QList<int>{7, 4, 4, 150};
    QTest::newRow("60 chosen, 3 players") << uo << 60 << "1" << "60" << "3" << QList<int>{3, 2, 2, 3600};
    QTest::newRow("2.5 players") << rs << 3600 << "60" << QString() << "2.5" << QList<int>{2, 1, 1, 3600};
    QTest::newRow("1 s, 6.5 players") << uo << 1 << "0.0166666666666667" << "0.0125" << "6.5"
                                      << QList<int>{6, 3, 3, 1};
}

void TestServerConfig::numbersConvertBothWays()
{
    QFETCH(QString, game);
    QFETCH(int, storedSeconds);
    QFETCH(QString, shownMinutes);
    QFETCH(QString, typedMinutes);
    QFETCH(QString, typedPlayers);
    QFETCH(QList<int>, written);
    prepare(game, "TFTFTFTFTFTFT",
            storedSeconds < 0 ? QStringList{} : QStringList{Dword("MultiplayerGameLength", storedSeconds)});
    ScriptedMessageBox messages;
    frmServerConfig dlg;

    QCOMPARE(dlg.cboGameLength->currentText(), shownMinutes);
    if (!typedMinutes.isNull())
        dlg.cboGameLength->setEditText(typedMinutes);
    dlg.cboMaxPlayers->setEditText(typedPlayers);
    dlg.cmdOK_Click();

    QVERIFY(messages.texts().isEmpty());
    CRegUtil reg(m_hive->path());
    QList<int> actual;
    for (const char *name : {"MultiplayerMaximumNumberOfPlayers", "MultiplayerBlueTeamSize",
                             "MultiplayerGoldTeamSize", "MultiplayerGameLength"})
        actual << reg.GetSettingLong(HKEY_LOCAL_MACHINE, GameKey(game), name, -99);
    QCOMPARE(actual, written);
}

void TestServerConfig::unreadableOptionStopsLoading_data()
{
    QTest::addColumn<QString>("game");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("failing");
    QTest::addColumn<QString>("message");

    const QString rsMessage = "Error in LoadRSServerOptsType mismatch 13";
    const QString rb6Message = "Error in LoadRB6ServerOptsType mismatch 13";
    QTest::newRow("Rogue Spear, missing value") << kRogueSpear << "TTTT-TTTTTTTF" << 4 << rsMessage;
    QTest::newRow("Urban Operations, yes") << kUrbanOperations << "TFTFTFTFTFTFx" << 12 << rsMessage;
    QTest::newRow("Rainbow Six, missing value") << kRainbowSix << "TT-TTT      F" << 2 << rb6Message;
    QTest::newRow("Eagle Watch, empty text") << kEagleWatch << "TTTTTT      e" << 12 << rb6Message;
}

void TestServerConfig::unreadableOptionStopsLoading()
{
    QFETCH(QString, game);
    QFETCH(QString, stored);
    QFETCH(int, failing);
    QFETCH(QString, message);
    prepare(game, stored);
    ScriptedMessageBox messages;
    frmServerConfig dlg;

    QCOMPARE(messages.texts(), QStringList{message});
    QCOMPARE(messages.shown().first().title, "Skirmdeck");
    QCOMPARE(messages.shown().first().buttons, MsgButtons::OK);
    QCOMPARE(messages.shown().first().icon, MsgIcon::None);
    const QList<int> order = IsRSFamily(game) ? QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}
                                              : QList<int>{0, 1, 2, 3, 4, 5, 12};
    const auto failAt = order.indexOf(failing);
    for (qsizetype n = 0; n < order.size(); ++n) {
        QCheckBox *box = dlg.chkServerOpts[order[n]];
        QCOMPARE(box->text().isEmpty(), n > failAt);
        QCOMPARE(box->isChecked(), n < failAt && StoredOn(stored[order[n]]));
    }
    // Loading stopped before the password box or the hidden rows were dealt with.
    QVERIFY(dlg.txtPW->isEnabled());
    for (int i = 6; i < 12; ++i)
        QVERIFY(!dlg.chkServerOpts[i]->isHidden());
    QVERIFY(!dlg.cboMaxPlayers->isHidden());
    QVERIFY(!dlg.lblGameLength->isHidden());
    // The rest of the load still ran, and boxes clicked from now on count as changes.
    QCOMPARE(dlg.txtServername->text(), kStoredName);
    QCOMPARE(dlg.txtPW->text(), kStoredPW);
    dlg.chkServerOpts[0]->click();
    dlg.cboMaxPlayers->setEditText("8");
    dlg.cboGameLength->setEditText("--");
    dlg.cmdOK_Click();
    QCOMPARE(messages.texts().size(), 1);
    QVERIFY(changes().contains(OptChange(game, 0, false)));
}

void TestServerConfig::badNumberStopsWriting_data()
{
    QTest::addColumn<QString>("game");
    QTest::addColumn<QString>("maxPlayers");
    QTest::addColumn<QString>("gameLength");
    QTest::addColumn<QStringList>("numbers");

    QTest::newRow("empty maximum") << kRogueSpear << "" << "5" << QStringList{};
    QTest::newRow("maximum in words") << kUrbanOperations << "sixteen" << "5" << QStringList{};
    QTest::newRow("empty game length")
        << kUrbanOperations << "12" << ""
        << QStringList{NumChange(kUrbanOperations, "MultiplayerMaximumNumberOfPlayers", 12),
                       NumChange(kUrbanOperations, "MultiplayerBlueTeamSize", 6),
                       NumChange(kUrbanOperations, "MultiplayerGoldTeamSize", 6)};
}

void TestServerConfig::badNumberStopsWriting()
{
    QFETCH(QString, game);
    QFETCH(QString, maxPlayers);
    QFETCH(QString, gameLength);
    QFETCH(QStringList, numbers);
    prepare(game, "FFFFFFFFFFFFF");
    ScriptedMessageBox messages;
    frmServerConfig dlg;
    dlg.show();
    dlg.chkServerOpts[7]->click();
    typeTexts(dlg);
    dlg.cboMaxPlayers->setEditText(maxPlayers);
    dlg.cboGameLength->setEditText(gameLength);
    dlg.cmdOK_Click();

    QCOMPARE(messages.texts(), QStringList{"Error in WriteRSServerOptsType mismatch 13"});
    QVERIFY(!dlg.isVisible());
    QStringList expected = textChanges(game) + numbers;
    expected << OptChange(game, 7, true);
    expected.sort();
    QCOMPARE(changes(), expected);
}

void TestServerConfig::cancelWritesNothingAfterCreateGameOpts_data()
{
    QTest::addColumn<QString>("game");
    for (const QString &game : kGameNames)
        QTest::newRow(qPrintable(game)) << game;
}

void TestServerConfig::cancelWritesNothingAfterCreateGameOpts()
{
    QFETCH(QString, game);
    prepare(game, "TFTFTFTFTFTFT");
    ScriptedMessageBox messages;
    FakeMainLink mainLink;
    frmServerConfig dlg;
    dlg.show();
    for (int i : {0, 3, 4, 12})
        dlg.chkServerOpts[i]->click();
    typeTexts(dlg);
    dlg.cboMaxPlayers->setEditText("4");
    dlg.cboGameLength->setEditText("30");

    // The auto-announce dialog is modal: answer it from inside its own event loop.
    bool answered = false;
    QTimer::singleShot(0, &dlg, [&] {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *update = qobject_cast<frmServerUpdate *>(w); update && update->isVisible()) {
                answered = update == QApplication::activeModalWidget();
                update->chkUpdate->click();
                update->cmdOK->click();
            }
    });
    dlg.cmdUpdate->click();
    QVERIFY(answered);
    QVERIFY(dlg.isVisible());
    QVERIFY(mainLink.mboolUpdate);

    dlg.cmdCancell->click();
    QVERIFY(!dlg.isVisible());
    QVERIFY(messages.texts().isEmpty());
    QCOMPARE(changes(), QStringList{"Red Storm Entertainment\\PostServerUpdate=sz:True"});
}

void TestServerConfig::tabOrderFollowsLayout()
{
    prepare(kRogueSpear, "TFTFTFTFTFTFT");
    frmServerConfig dlg;
    QList<QWidget *> expected = {dlg.txtServername, dlg.txtMOTD,        dlg.chkServerOpts[12], dlg.txtPW,
                                 dlg.cboMaxPlayers, dlg.cboGameLength, dlg.cmdUpdate};
    for (int i = 0; i < 12; ++i)
        expected << dlg.chkServerOpts[i];
    expected << dlg.cmdOK << dlg.cmdCancell;

    QList<QWidget *> chain;
    QWidget *w = dlg.txtServername;
    do {
        if (expected.contains(w))
            chain << w;
        w = w->nextInFocusChain();
    } while (w != dlg.txtServername && chain.size() <= expected.size());
    QCOMPARE(chain, expected);
}

QTEST_MAIN(TestServerConfig)
#include "test_server_config.moc"
