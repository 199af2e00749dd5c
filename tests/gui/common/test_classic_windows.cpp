// Every window is built the classic way; here, what a player reads of it must not be cut off,
// and what a screen reader reads of it must name every control.
#include "core/state/AppState.h"
#include "gui/browser/frmAddServer.h"
#include "gui/browser/frmServerList.h"
#include "gui/directory/frmPostServer.h"
#include "gui/main/frmMain.h"
#include "gui/options/GeneralOptionTables.h"
#include "gui/options/ServerOptionTables.h"
#include "gui/options/frmAbout.h"
#include "gui/options/frmGeneralOptions.h"
#include "gui/options/frmPlayerConfig.h"
#include "gui/options/frmServerConfig.h"
#include "gui/options/frmServerUpdate.h"
#include "gui/options/frmTimer.h"
#include "tests/gui/support/AppTestSupport.h"
#include "tests/support/ScriptedMessageBox.h"
#include "tests/support/TestSupport.h"

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QStyleOptionGroupBox>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

namespace {

// A control's caption and the room it leaves it by the style's own margins; none for other widgets.
std::pair<QString, QRect> CaptionAndRoom(const QWidget *w)
{
    QStyle *style = w->style();
    if (auto *button = qobject_cast<const QAbstractButton *>(w)) {
        QStyleOptionButton option;
        option.initFrom(w);
        option.text = button->text();
        const auto element = qobject_cast<const QCheckBox *>(w)      ? QStyle::SE_CheckBoxContents
                             : qobject_cast<const QRadioButton *>(w) ? QStyle::SE_RadioButtonContents
                                                                     : QStyle::SE_PushButtonContents;
        return {option.text, style->subElementRect(element, &option, w)};
    }
    if (auto *frame = qobject_cast<const QGroupBox *>(w)) {
        QStyleOptionGroupBox option;
        option.initFrom(w);
        option.text = frame->title();
        option.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
        option.textAlignment = frame->alignment();
        const QRect label = style->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, w);
        // The title keeps the same margin from the right edge as from the left.
        return {option.text, QRect(label.left(), label.top(), w->width() - 2 * label.left(), label.height())};
    }
    if (auto *label = qobject_cast<const QLabel *>(w))
        return {label->text(), label->contentsRect()};
    return {};
}

// Every caption of the window, measured in the font the control really draws it with.
QStringList CutCaptions(const QWidget *window)
{
    QStringList cut;
    for (const QWidget *w : window->findChildren<QWidget *>()) {
        const auto [text, room] = CaptionAndRoom(w);
        if (text.isEmpty())
            continue;
        const QFontMetrics metrics(w->font());
        // One line is measured by its ink, as the smallest boxes are barely a line high;
        // a label that wraps or breaks its text needs whole lines.
        QSize ink(metrics.horizontalAdvance(text), metrics.tightBoundingRect(text).height());
        const auto *label = qobject_cast<const QLabel *>(w);
        if (label && (label->wordWrap() || text.contains(QLatin1Char('\n'))))
            ink = metrics.boundingRect(QRect(0, 0, room.width(), 0), label->wordWrap() ? Qt::TextWordWrap : 0, text)
                      .size();
        if (ink.width() > room.width() || ink.height() > room.height())
            cut << QStringLiteral("%1 \"%2\": %3x%4 in %5x%6 (%7)")
                       .arg(window->windowTitle(), text)
                       .arg(ink.width())
                       .arg(ink.height())
                       .arg(room.width())
                       .arg(room.height())
                       .arg(w->font().family());
    }
    return cut;
}

// Every option of both families stored, so that the dialogs caption all their boxes.
void StoreEveryOption()
{
    const auto store = [](const QString &key, const auto &records) {
        for (const OptionRecord &record : records)
            if (!record.ValueName.isEmpty())
                gRegUtil().SaveSettingString(HKEY_LOCAL_MACHINE, key, record.ValueName, "False");
    };
    store(kRSRegistry, RSServerOptTable());
    store(kRB6Registry, RB6ServerOptTable());
    for (const auto &[key, tables] :
         {std::pair{kRSRegistry, BuildRSOptTables()}, {kRB6Registry, BuildRB6OptTables()}}) {
        store(key, tables.GameOpts);
        store(key, tables.GraphicOpts);
    }
}

// Walks what assistive technology sees below node. Controls a window hides are out of reach;
// a list's drop-down is not, though it shows only while open.
void WalkUnnamed(QAccessibleInterface *node, const QString &window, QStringList &unnamed)
{
    for (int i = 0; i < node->childCount(); ++i) {
        QAccessibleInterface *child = node->child(i);
        if (!child || (child->state().invisible && node->role() != QAccessible::ComboBox))
            continue;
        const auto *widget = qobject_cast<QWidget *>(child->object());
        // On Linux a list's name is the entry it shows; what it is for comes from its label.
        const bool named = !child->text(QAccessible::Name).trimmed().isEmpty() &&
                           (child->role() != QAccessible::ComboBox || !child->relations(QAccessible::Label).isEmpty());
        if (widget && child->state().focusable && !named)
            unnamed << QStringLiteral("%1: %2 at %3,%4 (%5)")
                           .arg(window, QString::fromLatin1(widget->metaObject()->className()))
                           .arg(widget->mapTo(widget->window(), QPoint()).x())
                           .arg(widget->mapTo(widget->window(), QPoint()).y())
                           .arg(widget->toolTip());
        WalkUnnamed(child, window, unnamed);
    }
}

// Every focusable control of a shown window without an accessible name.
QStringList UnnamedControls(QWidget *window)
{
    window->show();
    QStringList unnamed;
    WalkUnnamed(QAccessible::queryAccessibleInterface(window), window->windowTitle(), unnamed);
    return unnamed;
}

using OpenWindow = std::function<QWidget *(frmMain &)>;

// One line per window; a new window is one more line.
const QList<OpenWindow> kWindows = {
    [](frmMain &main) -> QWidget * { return new frmPlayerConfig(&main); },
    [](frmMain &main) -> QWidget * { return new frmServerConfig(&main); },
    [](frmMain &main) -> QWidget * { return new frmGeneralOptions(&main); },
    [](frmMain &main) -> QWidget * { return new frmServerUpdate(&main); },
    [](frmMain &main) -> QWidget * { return new frmAbout(&main); },
    [](frmMain &main) -> QWidget * { return new frmPostServer(&main); },
    [](frmMain &) -> QWidget * { return frmServerList::Instance(); },
    [](frmMain &main) -> QWidget * { return new frmAddServer(*frmServerList::Instance(), &main); },
    [](frmMain &main) -> QWidget * { return new frmTimer(&main); },
};

using WindowCheck = std::function<QStringList(QWidget *)>;

} // namespace

class TestClassicWindows : public IsolatedTest {
    Q_OBJECT

private slots:
    void everyCaptionFitsItsControl() { QVERIFY(CheckEveryWindow(CutCaptions)); }
    void everyControlHasAName() { QVERIFY(CheckEveryWindow(UnnamedControls)); }

private:
    // Both families, as their dialogs caption the option boxes differently; the main window
    // with both captions of its post button. False, with the findings, when any is found.
    static bool CheckEveryWindow(const WindowCheck &check)
    {
        GameFolders games;
        games.addGame("RS", "roguespear.exe");
        games.addGame("RB6", "rainbowsix.exe");
        games.addFolder("RS/Mods");
        TempHive hive(GameHive(games.path("RS"), games.path("RB6")));
        ScriptedMessageBox boxes;
        frmMain main;
        QTemporaryDir start;
        UseEmptyFavourites(start.path(), {kRogueSpear, kRainbowSix});
        StoreEveryOption();
        QStringList found;
        for (int game : {0, 2}) {
            main.cboGameType->setCurrentIndex(game);
            for (bool posted : {false, true}) {
                main.SetPostedState(posted);
                found << check(&main);
            }
            for (const OpenWindow &open : kWindows) {
                std::unique_ptr<QWidget> window(open(main));
                found << check(window.get());
            }
        }
        found << boxes.texts();
        if (!found.isEmpty())
            qWarning("%s", qPrintable(found.join(QLatin1Char('\n'))));
        return found.isEmpty();
    }
};

QTEST_MAIN(TestClassicWindows)
#include "test_classic_windows.moc"
