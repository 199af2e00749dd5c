#include "core/state/AppState.h"
#include "gui/options/frmGeneralOptions.h"
#include "tests/support/ScriptedMessageBox.h"
#include "core/runtime/VbConv.h"
#include "tests/support/TestSupport.h"
#include "tests/gui/options/ServerHive.h"
#include "tests/gui/support/AppTestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <algorithm>
#include <memory>

namespace {

const QString kOwn = QString("Red Storm Entertainment\\");

QString KeyOf(const QString &game) { return IsRSFamily(game) ? kRSRegistry : kRB6Registry; }
QString ShortKeyOf(const QString &game) { return KeyOf(game).section(QLatin1Char('\\'), -1) + QLatin1Char('\\'); }

// Stored texts in mixed spellings, so that a value written back shows up as "True" or "False".
const QStringList kRSValues = {
    Sz("PlayIntroMovie", "true"),   Sz("GoreOn", "False"),        Sz("autotarget", "1"),
    Sz("AlwaysRun", "0"),           Sz("CDMusicOn", "TRUE"),      Sz("ActionMusicOn", "false"),
    Sz("UseMaxSounds", "True"),     Sz("RecordMission", "fALSE"), Sz("ShowFog", "true"),
    Sz("ShowSky", "false"),         Sz("ShowWeatherFX", "True"),  Sz("CharacterShadows", "False"),
    Sz("DynamicLighting", "-1"),    Sz("ShowTooltips", "0"),      Sz("FootstepSoundOn", "true"),
    Sz("RetainGunModels", "false"), Sz("FullScreen", "True"),
};
const QString kRSChecks = "10101010/101010101";

// Rainbow Six keeps none of the Rogue Spear-only values; those present must stay unread.
const QStringList kRB6Values = {
    Sz("PlayIntroMovie", "true"), Sz("GoreOn", "false"),      Sz("autotarget", "0"),      Sz("MusicOn", "FALSE"),
    Sz("UseMaxSounds", "1"),      Sz("InvertMouse", "false"), Sz("SoftwareOnly", "True"), Sz("ShowFog", "TRUE"),
    Sz("FullScreen", "false"),    Sz("ShowSky", "maybe"),     Sz("RecordMission", ""),
};
const QString kRB6Checks = "1000101/10";

QStringList Without(QStringList lines, const QString &name)
{
    lines.removeIf([&](const QString &line) { return line.startsWith(QLatin1Char('"') + name + QLatin1Char('"')); });
    return lines;
}

QStringList Replaced(const QStringList &lines, const QString &name, const QString &text)
{
    return Without(lines, name) << Sz(name, text);
}

QStringList FamilyValues(const QString &game) { return IsRSFamily(game) ? kRSValues : kRB6Values; }

// The dialog opened on a hive prepared by the test, with every message box recorded.
struct Opened {
    TempHive hive;
    ScriptedMessageBox messages;
    QMap<QString, QString> before;
    QByteArray hiveBefore;
    std::unique_ptr<frmGeneralOptions> dlg;

    Opened(const QString &game, const QStringList &gameLines, const QStringList &ownLines)
        : hive(BuildHive({{kRedStormKey, ownLines}, {KeyOf(game), gameLines}}))
    {
        gGameType = game;
        gRegistry = KeyOf(game);
        ReleaseRegUtil();
        before = HiveSnapshot(hive.path());
        hiveBefore = hive.read();
        dlg = std::make_unique<frmGeneralOptions>();
    }
    ~Opened()
    {
        dlg.reset();
        ReleaseRegUtil();
    }
    QStringList changes() const { return HiveChanges(before, HiveSnapshot(hive.path())); }

    QCheckBox *box(const QString &ref) const
    {
        const int index = ref.mid(1).toInt();
        return ref.startsWith(QLatin1Char('g')) ? dlg->chkGameOpts.at(index) : dlg->chkGraphicOpts.at(index);
    }
    void click(const QStringList &refs) const
    {
        for (const QString &ref : refs)
            ClickOn(box(ref));
    }
};

// One digit per box, game boxes then graphic boxes with "/" between; hidden boxes only when asked.
template <class Bit> QString PerBox(const frmGeneralOptions &dlg, bool withHidden, Bit bit)
{
    QString out;
    const auto add = [&](QCheckBox *box) {
        if (withHidden || !box->isHidden())
            out += QChar('0' + int(bit(box)));
    };
    std::ranges::for_each(dlg.chkGameOpts, add);
    out += '/';
    std::ranges::for_each(dlg.chkGraphicOpts, add);
    return out;
}
QString ShownChecks(const frmGeneralOptions &d)
{
    return PerBox(d, false, [](QCheckBox *b) { return b->isChecked(); });
}
QString HiddenMask(const frmGeneralOptions &d)
{
    return PerBox(d, true, [](QCheckBox *b) { return b->isHidden(); });
}
QString CaptionMask(const frmGeneralOptions &d)
{
    return PerBox(d, true, [](QCheckBox *b) { return !b->text().isEmpty(); });
}

void ApplyResolution(QComboBox *combo, const QString &action)
{
    if (action.startsWith(QString("pick:")))
        PickFrom(combo, action.mid(5));
    else if (action.startsWith(QString("type:")))
        TypeOver(combo, action.mid(5));
}

QString ErrorText(const QString &context, int number)
{
    return context + QLatin1Char(' ') + RuntimeError::standardDescription(number) + QLatin1Char(' ') +
           QString::number(number);
}

} // namespace

class TestGeneralOptions : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { gUnloadOnStart = false; }

    void writesOnlyWhatChanged_data()
    {
        QTest::addColumn<QString>("game");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("storedResolution"); // null: no value
        QTest::addColumn<QStringList>("clickOnce");
        QTest::addColumn<QStringList>("clickTwice");
        QTest::addColumn<int>("exitClicks");
        QTest::addColumn<QString>("resolution");
        QTest::addColumn<QStringList>("changes"); // beyond the game key's name, as the hive shows them

        QTest::newRow("Rogue Spear") << kRogueSpear << true << "800x600" << QStringList{"g0", "g3", "x8"}
                                     << QStringList{"g1", "x2"} << 2 << "pick:1028x1024"
                                     << QStringList{"AlwaysRun=sz:True", "FullScreen=sz:False",
                                                    "PlayIntroMovie=sz:False", "VideoResolution=sz:1028x1024",
                                                    "~UnloadOnStart=sz:True"};
        QTest::newRow("Urban Operations")
            << kUrbanOperations << true << "800x600" << QStringList{"x7", "x4"} << QStringList{"g7"} << 1 << "type:1024"
            << QStringList{"DynamicLighting=sz:False", "RetainGunModels=sz:True", "VideoResolution=sz:1024",
                           "~UnloadOnStart=sz:False"};
        // A stored text outside the list is shown as it is.
        QTest::newRow("Rainbow Six") << kRainbowSix << true << "1366x768" << QStringList{"g3", "g6", "x0"}
                                     << QStringList{"x8"} << 2 << ""
                                     << QStringList{"MusicOn=sz:True", "ShowFog=sz:False", "SoftwareOnly=sz:False",
                                                    "~UnloadOnStart=sz:True"};
        QTest::newRow("Eagle Watch") << kEagleWatch << true << QString() << QStringList{"g5", "x8"} << QStringList{}
                                     << 1 << ""
                                     << QStringList{"FullScreen=sz:True", "InvertMouse=sz:True",
                                                    "VideoResolution=sz:", "~UnloadOnStart=sz:False"};
        QTest::newRow("Eagle Watch cancelled") << kEagleWatch << false << QString() << QStringList{"g2", "x0"}
                                               << QStringList{"x8"} << 1 << "type:800x600" << QStringList{};
        // A dialog opened for no known game has shown nothing of the stored settings.
        QTest::newRow("no game") << QString() << true << "800x600" << QStringList{"g0", "x0"} << QStringList{} << 1
                                 << "type:640x480" << QStringList{};
    }

    void writesOnlyWhatChanged()
    {
        QFETCH(QString, game);
        QFETCH(bool, ok);
        QFETCH(QString, storedResolution);
        QFETCH(QStringList, clickOnce);
        QFETCH(QStringList, clickTwice);
        QFETCH(int, exitClicks);
        QFETCH(QString, resolution);
        QFETCH(QStringList, changes);
        QStringList values = FamilyValues(game);
        if (!storedResolution.isNull())
            values << Sz("VideoResolution", storedResolution);
        // "true" in lower case: any rewrite of it, even to the same setting, would show.
        Opened opened(game, values, {Sz("UnloadOnStart", "true")});
        gUnloadOnStart = true;
        if (!game.isEmpty()) {
            QVERIFY(opened.dlg->chkGameStart->isChecked());
            QCOMPARE(ShownChecks(*opened.dlg), IsRSFamily(game) ? kRSChecks : kRB6Checks);
            QCOMPARE(HiddenMask(*opened.dlg), IsRSFamily(game) ? "00000000/000000000" : "00000001/011111110");
            QCOMPARE(opened.dlg->cboResolution->currentText(), storedResolution);
        }

        opened.click(clickOnce);
        opened.click(clickTwice);
        opened.click(clickTwice);
        for (int i = 0; i < exitClicks; ++i)
            ClickOn(opened.dlg->chkGameStart);
        ApplyResolution(opened.dlg->cboResolution, resolution);
        ClickOn(ok ? opened.dlg->cmdOk : opened.dlg->cmdCancell);

        QCOMPARE(opened.messages.texts(), QStringList());
        QCOMPARE(opened.dlg->result(), int(ok ? QDialog::Accepted : QDialog::Rejected));
        if (changes.isEmpty())
            QCOMPARE(opened.hive.read(), opened.hiveBefore);
        QStringList expected;
        for (const QString &change : changes)
            expected << (change.startsWith(QLatin1Char('~')) ? kOwn + change.mid(1) : ShortKeyOf(game) + change);
        expected.sort();
        QCOMPARE(opened.changes(), expected);
        // The launcher's flag follows what is stored, and only OK stores it.
        QCOMPARE(gUnloadOnStart,
                 vb::CBool(
                     CRegUtil(opened.hive.path()).GetSettingString(HKEY_LOCAL_MACHINE, kRedStormKey, "UnloadOnStart")));
    }

    void badOptionValueStopsThatTable_data()
    {
        QTest::addColumn<QString>("game");
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("captions"); // per box, game then graphic: 1 for a caption
        QTest::addColumn<QString>("hidden");
        QTest::addColumn<QString>("checks");     // of the shown boxes
        QTest::addColumn<QString>("clickAfter"); // a box of the stopped table: its clicks still count
        QTest::addColumn<QString>("written");

        const QString rsGameStop = QString("Error in LoadRSGameOpts\r\nType mismatch\r\n13\r\n");
        QTest::newRow("RS game value missing")
            << kRogueSpear << Without(kRSValues, "AlwaysRun") << rsGameStop + "3\r\nAlways Run\r\nAlwaysRun"
            << "11110000/111111111"
            << "00000000/000000000"
            << "10100000/101010101"
            << "g4"
            << "CDMusicOn=sz:True";
        QTest::newRow("RS graphic value not on/off")
            << kRogueSpear << Replaced(kRSValues, "ShowTooltips", "maybe")
            << ErrorText("Error in LoadRSGraphicOpts", 13) << "11111111/111111000"
            << "00000000/000000000"
            << "10101010/101010000"
            << "x7"
            << "RetainGunModels=sz:True";
        // A stopped Rainbow Six table leaves the boxes it had not reached shown, without captions.
        QTest::newRow("RB6 game value missing") << kRainbowSix << Without(kRB6Values, "autotarget")
                                                << ErrorText("Error in LoadRB6GameOpts", 13) << "11100000/100000001"
                                                << "00000000/011111110"
                                                << "10000000/10"
                                                << "g5"
                                                << "InvertMouse=sz:True";
        QTest::newRow("RB6 graphic value empty") << kEagleWatch << Replaced(kRB6Values, "ShowFog", "")
                                                 << ErrorText("Error in LoadRB6GraphicOpts", 13) << "11111110/100000000"
                                                 << "00000001/000000000"
                                                 << "1000101/000000000"
                                                 << "x8"
                                                 << "FullScreen=sz:True";
    }

    void badOptionValueStopsThatTable()
    {
        QFETCH(QString, game);
        QFETCH(QStringList, values);
        QFETCH(QString, message);
        QFETCH(QString, captions);
        QFETCH(QString, hidden);
        QFETCH(QString, checks);
        QFETCH(QString, clickAfter);
        QFETCH(QString, written);
        Opened opened(game, values << Sz("VideoResolution", "800x600"), {Sz("UnloadOnStart", "True")});
        const frmGeneralOptions &dlg = *opened.dlg;

        QCOMPARE(opened.messages.texts(), QStringList{message});
        const ShownMessage &shown = opened.messages.shown().first();
        QCOMPARE(shown.title, QString("Skirmdeck"));
        QCOMPARE(shown.buttons, MsgButtons::OK);
        QCOMPARE(shown.icon, MsgIcon::None);

        QCOMPARE(CaptionMask(dlg), captions);
        QCOMPARE(HiddenMask(dlg), hidden);
        QCOMPARE(ShownChecks(dlg), checks);
        // The rest of the opening went on: the exit option is loaded and clicks count again.
        QVERIFY(dlg.chkGameStart->isChecked());

        opened.click({clickAfter});
        ClickOn(opened.dlg->cmdOk);
        QCOMPARE(opened.messages.texts(), QStringList{message});
        QCOMPARE(opened.changes(), QStringList{ShortKeyOf(game) + written});
    }

    void badUnloadOnStartStopsRecordingClicks_data()
    {
        QTest::addColumn<QString>("game");
        QTest::addColumn<QStringList>("ownValues");
        QTest::newRow("missing") << kRogueSpear << QStringList{Sz("PostServerPosted", "False")};
        QTest::newRow("not on/off") << kEagleWatch << QStringList{Sz("UnloadOnStart", "sometimes")};
    }

    void badUnloadOnStartStopsRecordingClicks()
    {
        QFETCH(QString, game);
        QFETCH(QStringList, ownValues);
        Opened opened(game, FamilyValues(game) << Sz("VideoResolution", "640x480"), ownValues);
        gUnloadOnStart = true;

        QCOMPARE(opened.messages.texts(), QStringList{ErrorText("Error Reading Registry Values", 13)});
        QCOMPARE(ShownChecks(*opened.dlg), IsRSFamily(game) ? kRSChecks : kRB6Checks);
        QVERIFY(!opened.dlg->chkGameStart->isChecked());

        // The loading flag stays set, so these clicks are not taken as changes.
        opened.click({"g0", "g2", "x0", "x8"});
        ClickOn(opened.dlg->cmdOk);

        QCOMPARE(opened.messages.texts().size(), 1);
        QCOMPARE(opened.dlg->result(), int(QDialog::Accepted));
        QCOMPARE(opened.changes(), QStringList{kOwn + "UnloadOnStart=sz:False"});
        QCOMPARE(gUnloadOnStart, false);
    }
};

QTEST_MAIN(TestGeneralOptions)
#include "test_general_options.moc"
