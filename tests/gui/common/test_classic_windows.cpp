// Rules every window keeps: what a player reads of it is not cut off, what a screen reader reads
// of it names every control, Tab follows the window's intended order, Enter presses no button.
#include "core/state/AppState.h"
#include "gui/browser/frmAddServer.h"
#include "gui/browser/frmServerList.h"
#include "gui/common/UiSupport.h"
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
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QStyleOptionGroupBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

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
        const auto element = qobject_cast<const QCheckBox *>(w) ? QStyle::SE_CheckBoxContents
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
        const QFontMetrics metrics(w->font());
        // One line is measured by its ink, as the smallest boxes are barely a line high;
        // a label that wraps or breaks its text needs whole lines.
        QSize ink(metrics.horizontalAdvance(text), metrics.tightBoundingRect(text).height());
        const auto *label = qobject_cast<const QLabel *>(w);
        if (label && (label->wordWrap() || text.contains(QLatin1Char('\n'))))
            ink = metrics.boundingRect(QRect(0, 0, room.width(), 0), label->wordWrap() ? Qt::TextWordWrap : 0, text)
                      .size();
        if (!text.isEmpty() && (ink.width() > room.width() || ink.height() > room.height()))
            cut << QStringLiteral("%1: \"%2\" is cut in %3").arg(window->windowTitle(), text, w->font().family());
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
            unnamed << window + QStringLiteral(": unnamed ") + widget->metaObject()->className() + widget->toolTip();
        WalkUnnamed(child, window, unnamed);
    }
}

// What a screen reader calls a control, for the findings.
QString NameOf(QWidget *control)
{
    return control ? QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name) : QString();
}

// Tab, pressed from the first control, visits the shown and enabled controls in their intended order.
QStringList TabDetours(QWidget *window, QList<QWidget *> order)
{
    order.removeIf([](const QWidget *control) { return !control->isVisible() || !control->isEnabled(); });
    if (order.isEmpty())
        return {};
    if (!QTest::qWaitForWindowActive(window))
        return {window->windowTitle() + QStringLiteral(": never active")};
    order.first()->setFocus(Qt::TabFocusReason);
    for (QWidget *next : order.mid(1)) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        // A list takes the focus in the text box inside it.
        if (QWidget *focus = QApplication::focusWidget(); focus != next && !next->isAncestorOf(focus))
            return {
                QStringLiteral("%1: Tab reaches %2, not %3").arg(window->windowTitle(), NameOf(focus), NameOf(next))};
    }
    return {};
}

// Enter in a dialog's text box or list presses no button: the dialog stays open, and what a
// button would show lands among the messages the check reports.
QStringList EnterPresses(QWidget *window)
{
    if (!qobject_cast<QDialog *>(window))
        return {};
    for (QLineEdit *box : window->findChildren<QLineEdit *>()) {
        if (!box->isVisible() || !box->isEnabled() || box->isReadOnly())
            continue;
        box->setFocus(Qt::TabFocusReason);
        // A button may open a modal window; it is closed, as found, from inside its own loop.
        bool modal = false;
        const QObject watch;
        QTimer::singleShot(0, &watch, [&] {
            if (QWidget *other = QApplication::activeModalWidget(); other && other != window)
                modal = other->close();
        });
        QTest::keyClick(box, Qt::Key_Return);
        if (!window->isVisible() || modal)
            return {QStringLiteral("%1: Enter in %2 pressed a button").arg(window->windowTitle(), NameOf(box))};
    }
    return {};
}

// A window keeps every rule: its captions fit, a screen reader names its controls, Tab follows
// the intended order (none: the order it builds its controls in), Enter presses no button.
QStringList BrokenRules(QWidget *window, const QList<QWidget *> &tabOrder = {})
{
    const std::unique_ptr<QWidget> owned(qobject_cast<frmMain *>(window) ? nullptr : window);
    QStringList found = CutCaptions(window);
    window->show();
    WalkUnnamed(QAccessible::queryAccessibleInterface(window), window->windowTitle(), found);
    return found + TabDetours(window, tabOrder) + EnterPresses(window);
}

template <class Boxes> QList<QWidget *> Some(const Boxes &boxes, int from, int to)
{
    return QList<QWidget *>(boxes.begin() + from, boxes.begin() + to);
}

// Every window in turn; a new window is one more line here.
QStringList BrokenRulesOfEveryWindow(frmMain &main)
{
    QStringList found;
    for (bool posted : {false, true}) {
        main.SetPostedState(posted);
        found << BrokenRules(&main);
    }
    auto *player = new frmPlayerConfig(&main);
    found << BrokenRules(player, {player->txtPlayerName, player->txtClanName, player->cboPrimary, player->cboSecondary,
                                  player->cboKit1, player->cboKit2, player->cmdOK, player->cmdCancell});
    auto *server = new frmServerConfig(&main);
    found << BrokenRules(server, QList<QWidget *>{server->txtServername, server->txtMOTD,
                                                  server->chkServerOpts[kUsePasswordIndex], server->txtPW,
                                                  server->cboMaxPlayers, server->cboGameLength, server->cmdUpdate} +
                                     Some(server->chkServerOpts, 0, kUsePasswordIndex) +
                                     QList<QWidget *>{server->cmdOK, server->cmdCancell});
    auto *general = new frmGeneralOptions(&main);
    found << BrokenRules(
        general, Some(general->chkGameOpts, 0, kGameOptBoxes) + Some(general->chkGraphicOpts, 0, kFullScreenIndex) +
                     QList<QWidget *>{general->cboResolution, general->chkGraphicOpts[kFullScreenIndex],
                                      general->chkGameStart, general->cmdOk, general->cmdCancell});
    auto *update = new frmServerUpdate(&main);
    found << BrokenRules(update, {update->txtDescription, update->chkUpdate, update->cmdOK, update->cmdCancell});
    auto *post = new frmPostServer(&main);
    found << BrokenRules(post, {post->txtServerName, post->txtIPAddress, post->txtPort, post->txtMods,
                                post->txtServerKey, post->cboConnection, post->cmdPostServer, post->cmdCancel});
    found << BrokenRules(new frmAbout(&main)) << BrokenRules(new frmAddServer(*frmServerList::Instance(), &main));
    found << BrokenRules(new frmTimer(&main)) << BrokenRules(frmServerList::Instance());
    return found;
}

} // namespace

class TestClassicWindows : public IsolatedTest {
    Q_OBJECT

private slots:
    // Both families, as their dialogs caption the option boxes differently; the main window
    // with both captions of its post button.
    void everyWindowKeepsTheRules()
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
            found << BrokenRulesOfEveryWindow(main);
        }
        found << boxes.texts();
        QVERIFY2(found.isEmpty(), qPrintable(found.join(QLatin1Char('\n'))));
    }

    // A declared order holds from its first control on, even where another control was built
    // between the first two.
    void tabOrderStartsAtTheFirstControl()
    {
        QDialog window;
        auto *first = new QLineEdit(&window);
        new QLineEdit(&window);
        const QList<QWidget *> order = {first, new QLineEdit(&window)};
        ChainTabOrder(order);
        window.show();
        QCOMPARE(TabDetours(&window, order), QStringList());
    }
};

QTEST_MAIN(TestClassicWindows)
#include "test_classic_windows.moc"
