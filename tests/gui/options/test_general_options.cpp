#include "core/state/AppState.h"
#include "gui/options/frmGeneralOptions.h"
#include "tests/gui/options/ServerHive.h"
#include "tests/gui/support/AppTestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <algorithm>
#include <functional>

namespace {

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

QStringList Words(const QString &list) { return list.split(QLatin1Char(' '), Qt::SkipEmptyParts); }

// Changes as a test writes them, beyond the game key's name, '~' for the program's own key.
QStringList Changes(const QString &game, const QString &words)
{
    QStringList changes;
    for (const QString &change : Words(words))
        changes << (change.startsWith('~') ? "Red Storm Entertainment\\" + change.mid(1)
                                           : GameKey(game).section('\\', -1) + '\\' + change);
    changes.sort();
    return changes;
}

// Clicks the boxes named: "g3" the fourth game box, "x0" the first graphic box.
void Click(const frmGeneralOptions &dlg, const QString &refs)
{
    for (const QString &ref : Words(refs))
        ClickOn(ref[0] == 'g' ? dlg.chkGameOpts.at(ref.mid(1).toInt()) : dlg.chkGraphicOpts.at(ref.mid(1).toInt()));
}

// One digit per box, game boxes then graphic boxes with "/" between; hidden boxes only when asked.
// Checks are compared for the shown boxes, hidden state and captions for all.
template <class Bit> QString PerBox(const frmGeneralOptions &dlg, bool withHidden, Bit bit)
{
    QString out;
    const auto add = [&](QCheckBox *box) {
        if (withHidden || !box->isHidden())
            out += QChar('0' + int(std::invoke(bit, box)));
    };
    std::ranges::for_each(dlg.chkGameOpts, add);
    out += '/';
    std::ranges::for_each(dlg.chkGraphicOpts, add);
    return out;
}
// Clicks on a dialog opened for a game, and what OK or Cancel leaves in the hive. Lists are
// separated by blanks; changes are beyond the game key's name, '~' for the program's own key.
struct WriteCase {
    const char *name;
    QString game;
    bool ok;
    QString storedResolution; // null: no value
    QString clickOnce, clickTwice;
    int exitClicks;
    QString resolution; // "pick:" or "type:" and the text
    QString changes;
};

// A table stopped by a bad stored value: per box, game then graphic boxes, what is shown.
struct StopCase {
    const char *name;
    QString game;
    QStringList values;
    QString message, captions, hidden, checks; // checks of the shown boxes
    QString clickAfter;                        // a box of the stopped table: its clicks still count
    QString written;
    QString unloadOnStart = "True"; // as stored
};

} // namespace
Q_DECLARE_METATYPE(WriteCase)
Q_DECLARE_METATYPE(StopCase)

class TestGeneralOptions : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { gUnloadOnStart = false; }

    void writesOnlyWhatChanged_data()
    {
        QTest::addColumn<WriteCase>("c");
        const WriteCase cases[] = {
            {"Rogue Spear", kRogueSpear, true, "800x600", "g0 g3 x8", "g1 x2", 2, "pick:1028x1024",
             "AlwaysRun=sz:True FullScreen=sz:False PlayIntroMovie=sz:False VideoResolution=sz:1028x1024 "
             "~UnloadOnStart=sz:True"},
            // A stored text outside the list is shown as it is.
            {"Rainbow Six", kRainbowSix, true, "1366x768", "g3 g6 x0", "x8", 2, "",
             "MusicOn=sz:True ShowFog=sz:False SoftwareOnly=sz:False ~UnloadOnStart=sz:True"},
            {"Eagle Watch", kEagleWatch, true, QString(), "g5 x8", "", 1, "",
             "FullScreen=sz:True InvertMouse=sz:True VideoResolution=sz: ~UnloadOnStart=sz:False"},
            {"Eagle Watch cancelled", kEagleWatch, false, QString(), "g2 x0", "x8", 1, "type:800x600", ""},
            // A dialog opened for no known game has shown nothing of the stored settings.
            {"no game", QString(), true, "800x600", "g0 x0", "", 1, "type:640x480", ""},
        };
        for (const WriteCase &c : cases)
            QTest::newRow(c.name) << c;
    }

    void writesOnlyWhatChanged()
    {
        QFETCH(WriteCase, c);
        QStringList values = IsRSFamily(c.game) ? kRSValues : kRB6Values;
        if (!c.storedResolution.isNull())
            values << Sz("VideoResolution", c.storedResolution);
        // "true" in lower case: any rewrite of it, even to the same setting, would show.
        const OptionsDesk desk(c.game, values, {Sz("UnloadOnStart", "true")});
        frmGeneralOptions dlg;
        gUnloadOnStart = true;
        if (!c.game.isEmpty()) {
            QVERIFY(dlg.chkGameStart->isChecked());
            QCOMPARE(PerBox(dlg, false, &QCheckBox::isChecked), IsRSFamily(c.game) ? kRSChecks : kRB6Checks);
            QCOMPARE(dlg.cboResolution->currentText(), c.storedResolution);
        }

        Click(dlg, c.clickOnce + ' ' + c.clickTwice + ' ' + c.clickTwice);
        for (int i = 0; i < c.exitClicks; ++i)
            ClickOn(dlg.chkGameStart);
        if (c.resolution.startsWith(QString("pick:")))
            PickFrom(dlg.cboResolution, c.resolution.mid(5));
        else if (c.resolution.startsWith(QString("type:")))
            TypeOver(dlg.cboResolution, c.resolution.mid(5));
        ClickOn(c.ok ? dlg.cmdOk : dlg.cmdCancell);

        QCOMPARE(desk.messages.texts(), QStringList());
        QCOMPARE(dlg.result(), int(c.ok ? QDialog::Accepted : QDialog::Rejected));
        QCOMPARE(desk.changes(), Changes(c.game, c.changes));
        // The launcher's flag follows what is stored, and only OK stores it.
        QCOMPARE(gUnloadOnStart, !c.ok || dlg.chkGameStart->isChecked());
    }

    void badOptionValueStopsThatTable_data()
    {
        QTest::addColumn<StopCase>("c");
        const QString rsGameStop = "Error in LoadRSGameOpts\r\nType mismatch\r\n13\r\n3\r\nAlways Run\r\nAlwaysRun";
        const StopCase cases[] = {
            {"RS game value missing", kRogueSpear, Without(kRSValues, "AlwaysRun"), rsGameStop, "11110000/111111111",
             "00000000/000000000", "10100000/101010101", "g4", "CDMusicOn=sz:True"},
            {"RS graphic value not on/off", kRogueSpear,
             Without(kRSValues, "ShowTooltips") << Sz("ShowTooltips", "maybe"),
             "Error in LoadRSGraphicOpts Type mismatch 13", "11111111/111111000", "00000000/000000000",
             "10101010/101010000", "x7", "RetainGunModels=sz:True"},
            // A stopped Rainbow Six table leaves the boxes it had not reached shown, without captions.
            {"RB6 game value missing", kRainbowSix, Without(kRB6Values, "autotarget"),
             "Error in LoadRB6GameOpts Type mismatch 13", "11100000/100000001", "00000000/011111110", "10000000/10",
             "g5", "InvertMouse=sz:True"},
            {"RB6 graphic value empty", kEagleWatch, Without(kRB6Values, "ShowFog") << Sz("ShowFog", ""),
             "Error in LoadRB6GraphicOpts Type mismatch 13", "11111110/100000000", "00000001/000000000",
             "1000101/000000000", "x8", "FullScreen=sz:True"},
            // A bad exit option leaves the loading flag set, so no click counts as a change.
            {"exit option not on/off", kEagleWatch, kRB6Values, "Error Reading Registry Values Type mismatch 13",
             "11111110/100000001", "00000001/011111110", kRB6Checks, "g0 g2 x0 x8", "~UnloadOnStart=sz:False",
             "sometimes"},
        };
        for (const StopCase &c : cases)
            QTest::newRow(c.name) << c;
    }

    void badOptionValueStopsThatTable()
    {
        QFETCH(StopCase, c);
        const OptionsDesk desk(c.game, c.values << Sz("VideoResolution", "800x600"),
                               {Sz("UnloadOnStart", c.unloadOnStart)});
        frmGeneralOptions dlg;
        gUnloadOnStart = true;

        QCOMPARE(desk.messages.texts(), QStringList{c.message});
        QCOMPARE(PerBox(dlg, true, [](QCheckBox *b) { return !b->text().isEmpty(); }), c.captions);
        QCOMPARE(PerBox(dlg, true, &QCheckBox::isHidden), c.hidden);
        QCOMPARE(PerBox(dlg, false, &QCheckBox::isChecked), c.checks);
        // The rest of the opening went on: the exit option is loaded and clicks count again.
        QCOMPARE(dlg.chkGameStart->isChecked(), c.unloadOnStart == "True");

        Click(dlg, c.clickAfter);
        ClickOn(dlg.cmdOk);
        QCOMPARE(desk.messages.texts(), QStringList{c.message});
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(desk.changes(), Changes(c.game, c.written));
        QCOMPARE(gUnloadOnStart, dlg.chkGameStart->isChecked());
    }
};

QTEST_MAIN(TestGeneralOptions)
#include "test_general_options.moc"
