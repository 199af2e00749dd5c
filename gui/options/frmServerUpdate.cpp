#include "gui/options/frmServerUpdate.h"

#include "core/state/AppState.h"
#include "core/runtime/ErrorTrap.h"
#include "gui/common/UiSupport.h"
#include "core/runtime/VbConv.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>

namespace {

const QString kPostServerUpdateValue = QStringLiteral("PostServerUpdate");

QString DescriptionText()
{
    return QStringLiteral("This option is for when you have Posted your server to") +
           QStringLiteral(" the Server List DB. By Checking the following checkbox, when") +
           QStringLiteral(" ever you click on Create Game, The server will") +
           QStringLiteral(" immediately be notified that your game is up.");
}

} // namespace

frmServerUpdate::frmServerUpdate(QWidget *parent) : QDialog(parent)
{
    BuildControls();
    connect(cmdOK, &QPushButton::clicked, this, &frmServerUpdate::cmdOK_Click);
    connect(cmdCancell, &QPushButton::clicked, this, &frmServerUpdate::cmdCancell_Click);
    CentreOnScreen();
    Form_Load();
}

void frmServerUpdate::BuildControls()
{
    SetClassicFrame(this, QStringLiteral("Create Game Options"), 4680, 2670);

    fraServer = NewFrame(this, QStringLiteral("Update Server"), {90, 90, 4515, 2085});
    txtDescription = Placed(new QPlainTextEdit(fraServer), {135, 270, 4245, 1005});
    txtDescription->setReadOnly(true);
    txtDescription->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    chkUpdate = NewCheckBox(fraServer, QStringLiteral("Automatcically announce my Server each time I create a game"),
                            {405, 1485, 3885, 420});

    cmdOK = NewButton(this, QStringLiteral("OK"), {870, 2295, 1410, 375});
    cmdCancell = NewButton(this, QStringLiteral("Cancel"), {2400, 2280, 1410, 375});

    ChainTabOrder({txtDescription, chkUpdate, cmdOK, cmdCancell});
}

// The dialog opens in the middle of the screen rather than over the window that shows it;
// an explicit position keeps the dialog from re-centring itself over its parent.
void frmServerUpdate::CentreOnScreen()
{
    const QScreen *screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame(QPoint(), size());
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
}

void frmServerUpdate::Form_Load()
{
    SetProgramIcon(this);
    txtDescription->setPlainText(DescriptionText());
    // The main window's flag is the truth here; the stored value is not read.
    SetCheckValue(chkUpdate, BoolToCheck(gMain && gMain->mboolUpdate));
}

void frmServerUpdate::cmdOK_Click()
{
    Trap(QStringLiteral("Error in OK click event "), ErrLayout::NumberFirst, [&] {
        const bool update = CheckToBool(CheckValue(chkUpdate));
        SaveOwnSetting(kPostServerUpdateValue, vb::CStr(update));
        if (gMain)
            gMain->mboolUpdate = update;
        accept();
    });
}

void frmServerUpdate::cmdCancell_Click() { reject(); }
