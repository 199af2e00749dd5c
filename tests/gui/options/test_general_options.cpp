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
    Sz("RetainGunModels", "false"), Sz("FullScreen", "True"),     Sz("VideoResolution", "800x600"),
};
const QString kRSChecks = "10101010/101010101";

// Rainbow Six keeps none of the Rogue Spear-only values; those present must stay unread.
const QStringList kRB6Values = {
    Sz("PlayIntroMovie", "true"), Sz("GoreOn", "false"),   Sz("autotarget", "0"),
    Sz("MusicOn", "FALSE"),       Sz("UseMaxSounds", "1"), Sz("InvertMouse", "false"),
    Sz("SoftwareOnly", "True"),   Sz("ShowFog", "TRUE"),   Sz("FullScreen", "false"),
    Sz("ShowSky", "maybe"),       Sz("RecordMission", ""), Sz("VideoResolution", "800x600"),
};
const QString kRB6Checks = "1000101/10";

QStringList Words(const QString &list) { return list.split(QLatin1Char(' '), Qt::SkipEmptyParts); }

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
// A dialog opened on stored values; what it shows (per box, game then graphic boxes: 1 if captioned,
// plus 2 if hidden; checked if shown; null: not compared) and any message; boxes clicked once and twice, the
// exit box's clicks, a resolution ("pick:" or "type:" and the text); what OK or Cancel leaves.
// Lists are separated by blanks; changes are sorted and named as OptionsDesk names them.
struct Case {
    const char *name;
    QString game;
    QStringList values;
    bool ok;
    QString message, boxes, checks;
    QString clickOnce, clickTwice;
    int exitClicks;
    QString resolution, changes;
    QString unloadOnStart = "true"; // lower case: any rewrite, even to the same setting, shows
};

QStringList With(QStringList lines, const QString &name, const QString &text)
{
    lines.removeIf([&](const QString &line) { return line.startsWith('"' + name + '"'); });
    return text.isNull() ? lines : lines << Sz(name, text);
}

} // namespace
Q_DECLARE_METATYPE(Case)

class TestGeneralOptions : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { gUnloadOnStart = false; }

    void writesOnlyWhatChanged_data()
    {
        QTest::addColumn<Case>("c");
        const QString rsGameStop = "Error in LoadRSGameOpts\r\nType mismatch\r\n13\r\n3\r\nAlways Run\r\nAlwaysRun";
        const QString none, res = "VideoResolution";
        const Case cases[] = {
            {"Rogue Spear", kRogueSpear, kRSValues, true, "", none, kRSChecks, "g0 g3 x8", "g1 x2", 2, "pick:1028x1024",
             "AlwaysRun=sz:True FullScreen=sz:False PlayIntroMovie=sz:False VideoResolution=sz:1028x1024 "
             "~UnloadOnStart=sz:True"},
            // A stored text outside the list is shown as it is.
            {"Rainbow Six", kRainbowSix, With(kRB6Values, res, "1366x768"), true, "", none, kRB6Checks, "g3 g6 x0",
             "x8", 2, "", "MusicOn=sz:True ShowFog=sz:False SoftwareOnly=sz:False ~UnloadOnStart=sz:True"},
            {"Eagle Watch", kEagleWatch, With(kRB6Values, res, none), true, "", none, kRB6Checks, "g5 x8", "", 1, "",
             "FullScreen=sz:True InvertMouse=sz:True VideoResolution=sz: ~UnloadOnStart=sz:False"},
            {"Eagle Watch cancelled", kEagleWatch, kRB6Values, false, "", none, kRB6Checks, "g2 x0", "x8", 1,
             "type:800x600", ""},
            // A dialog opened for no known game has shown nothing of the stored settings.
            {"no game", QString(), kRSValues, true, "", none, none, "g0 x0", "", 1, "type:640x480", ""},
            // A bad value stops its table; the boxes after it keep no caption, clicks on them still count.
            {"RS game value missing", kRogueSpear, With(kRSValues, "AlwaysRun", none), true, rsGameStop,
             "11110000/111111111", "10100000/101010101", "g4", "", 0, "", "CDMusicOn=sz:True ~UnloadOnStart=sz:True"},
            {"RS graphic value not on/off", kRogueSpear, With(kRSValues, "ShowTooltips", "maybe"), true,
             "Error in LoadRSGraphicOpts Type mismatch 13", "11111111/111111000", "10101010/101010000", "x7", "", 0, "",
             "RetainGunModels=sz:True ~UnloadOnStart=sz:True"},
            // A stopped Rainbow Six table leaves the boxes it had not reached shown, without captions.
            {"RB6 game value missing", kRainbowSix, With(kRB6Values, "autotarget", none), true,
             "Error in LoadRB6GameOpts Type mismatch 13", "11100000/122222221", "10000000/10", "g5", "", 0, "",
             "InvertMouse=sz:True ~UnloadOnStart=sz:True"},
            {"RB6 graphic value empty", kEagleWatch, With(kRB6Values, "ShowFog", ""), true,
             "Error in LoadRB6GraphicOpts Type mismatch 13", "11111112/100000000", "1000101/000000000", "x8", "", 0, "",
             "FullScreen=sz:True ~UnloadOnStart=sz:True"},
            // A bad exit option leaves the loading flag set, so no click counts as a change.
            {"exit option not on/off", kEagleWatch, kRB6Values, true, "Error Reading Registry Values Type mismatch 13",
             "11111112/122222221", kRB6Checks, "g0 g2 x0 x8", "", 0, "", "~UnloadOnStart=sz:False", "sometimes"},
        };
        for (const Case &c : cases)
            QTest::newRow(c.name) << c;
    }

    void writesOnlyWhatChanged()
    {
        QFETCH(Case, c);
        const OptionsDesk desk(c.game, c.values, {Sz("UnloadOnStart", c.unloadOnStart)});
        frmGeneralOptions dlg;
        dlg.show();
        gUnloadOnStart = true;
        const QStringList message = c.message.isEmpty() ? QStringList() : QStringList{c.message};
        QCOMPARE(desk.messages.texts(), message);
        if (!c.boxes.isNull())
            QCOMPARE(PerBox(dlg, true, [](QCheckBox *b) { return !b->text().isEmpty() + 2 * b->isHidden(); }), c.boxes);
        if (!c.checks.isNull()) {
            QCOMPARE(PerBox(dlg, false, &QCheckBox::isChecked), c.checks);
            // The rest of the opening went on: the exit option is loaded.
            QCOMPARE(dlg.chkGameStart->isChecked(), c.unloadOnStart == "true");
        }

        // "g3" the fourth game box, "x0" the first graphic box.
        for (const QString &ref : Words(c.clickOnce + ' ' + c.clickTwice + ' ' + c.clickTwice))
            ClickOn(ref[0] == 'g' ? dlg.chkGameOpts.at(ref.mid(1).toInt()) : dlg.chkGraphicOpts.at(ref.mid(1).toInt()));
        for (int i = 0; i < c.exitClicks; ++i)
            ClickOn(dlg.chkGameStart);
        if (c.resolution.startsWith(QString("pick:")))
            PickFrom(dlg.cboResolution, c.resolution.mid(5));
        else if (c.resolution.startsWith(QString("type:")))
            TypeOver(dlg.cboResolution, c.resolution.mid(5));
        ClickOn(c.ok ? dlg.cmdOk : dlg.cmdCancell);

        QCOMPARE(desk.messages.texts(), message);
        QVERIFY(!dlg.isVisible());
        QCOMPARE(desk.changes(), Words(c.changes));
        // The launcher's flag follows what is stored, and only OK stores it.
        QCOMPARE(gUnloadOnStart, !c.ok || dlg.chkGameStart->isChecked());
    }
};

QTEST_MAIN(TestGeneralOptions)
#include "test_general_options.moc"
