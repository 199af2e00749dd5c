#include "gui/options/frmTimer.h"

#include "core/runtime/ErrorTrap.h"
#include "core/runtime/VbConv.h"
#include "core/state/AppState.h"
#include "core/state/SocketTimeOut.h"
#include "gui/common/UiSupport.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

namespace {

template <class W> W *Placed(W *widget, int left, int top, int width, int height)
{
    PlaceTwips(widget, left, top, width, height);
    return widget;
}

QLineEdit *ShownNumber(QWidget *parent, int left, int top)
{
    // The scroll bar is the only way in, so the stored text is always a number it produced.
    auto *box = Placed(new QLineEdit(parent), left, top, 1200, 285);
    box->setReadOnly(true);
    return box;
}

} // namespace

frmTimer::frmTimer(QWidget *parent) : QDialog(parent)
{
    BuildControls();
    connect(hscrollTime, &QScrollBar::valueChanged, this, &frmTimer::hscrollTime_Change);
    connect(cmdChange, &QPushButton::clicked, this, &frmTimer::cmdChange_Click);
    connect(cmdExit, &QPushButton::clicked, this, &frmTimer::cmdExit_Click);
    Form_Load();
}

void frmTimer::BuildControls()
{
    SetClassicFrame(this, QStringLiteral("Change Socket Timeout"), 4215, 1830);
    hscrollTime = Placed(new QScrollBar(Qt::Horizontal, this), 120, 120, 3975, 255);
    hscrollTime->setRange(SocketTimeOut::kFirstPosition, SocketTimeOut::kLastPosition);
    hscrollTime->setSingleStep(1);
    hscrollTime->setPageStep(1);
    hscrollTime->setFocusPolicy(Qt::StrongFocus);
    // Qt's scroll bars invert the arrow keys by default; here the right arrow adds a step.
    hscrollTime->setInvertedControls(false);
    Label1 = Placed(new QLabel(QStringLiteral("Seconds:"), this), 120, 570, 840, 255);
    txtSeconds = ShownNumber(this, 1080, 525);
    Label2 = Placed(new QLabel(QStringLiteral("MilliSeconds:"), this), 2280, 570, 960, 255);
    txtMilliSec = ShownNumber(this, 3240, 525);
    txtMilliSec->resize(Twips(855), txtMilliSec->height());
    LabelFor(Label1, txtSeconds);
    LabelFor(Label2, txtMilliSec);
    // No label captions the bar; it is what the window is for.
    NameControl(hscrollTime, windowTitle());
    cmdChange = Placed(NewButton(this, QStringLiteral("Change")), 1080, 1140, 1215, 375);
    cmdExit = Placed(NewButton(this, QStringLiteral("Cancel")), 2400, 1140, 1215, 375);
    setTabOrder(hscrollTime, txtSeconds);
    setTabOrder(txtSeconds, txtMilliSec);
    setTabOrder(txtMilliSec, cmdChange);
    setTabOrder(cmdChange, cmdExit);
}

void frmTimer::Form_Load()
{
    SetProgramIcon(this);
    const int16_t position = SocketTimeOut::Position(gSocketTimeOut);
    if (position == hscrollTime->value())
        hscrollTime_Change();
    else
        hscrollTime->setValue(position);
}

void frmTimer::hscrollTime_Change()
{
    Trap(QStringLiteral("Error in hscrollTime_Change "), ErrLayout::NumberFirst, [this] {
        txtSeconds->setText(SocketTimeOut::SecondsText(hscrollTime->value()));
        txtMilliSec->setText(SocketTimeOut::MilliSecondsText(txtSeconds->text()));
    });
}

void frmTimer::cmdChange_Click()
{
    Trap(QStringLiteral("Error in Change click event "), ErrLayout::NumberFirst, [this] {
        const QString text = txtMilliSec->text();
        SaveOwnSetting(QStringLiteral("SocketTimeOut"), text);
        gSocketTimeOut = text;
        const int32_t interval = vb::CLng(text);
        if (gMain)
            gMain->SetSocketTimerInterval(interval);
        if (gServerList)
            gServerList->SetSocketTimerInterval(interval);
        close();
    });
}

void frmTimer::cmdExit_Click() { close(); }
