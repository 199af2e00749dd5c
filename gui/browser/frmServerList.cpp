#include "gui/browser/frmServerList.h"

#include "core/state/AppState.h"
#include "core/runtime/ErrorTrap.h"
#include "gui/common/UiSupport.h"

#include <QMenuBar>
#include <QPointer>

namespace {
QPointer<frmServerList> gServerList;
}

frmServerList *frmServerList::Instance()
{
    if (!gServerList)
        gServerList = new frmServerList();
    return gServerList;
}

frmServerList *frmServerList::Existing() { return gServerList; }

frmServerList::frmServerList()
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Skirmdeck ServerList"));
    SetProgramIcon(this);
    mnuGameType = menuBar()->addMenu(QStringLiteral("GameType"));
    mnuRS = mnuGameType->addAction(kRogueSpear, this, &frmServerList::mnuRS_Click);
    mnuUO = mnuGameType->addAction(kUrbanOperations, this, &frmServerList::mnuUO_Click);
    mnuRB6 = mnuGameType->addAction(kRainbowSix, this, &frmServerList::mnuRB6_Click);
    mnuEW = mnuGameType->addAction(kEagleWatch, this, &frmServerList::mnuEW_Click);
    mLastGameType = gGameType;
}

frmServerList::~frmServerList() = default;

void frmServerList::showEvent(QShowEvent *event)
{
    m_shown = true;
    QMainWindow::showEvent(event);
}

void frmServerList::DisableGameItem(const QString &game)
{
    for (QAction *item : {mnuRS, mnuUO, mnuRB6, mnuEW}) {
        if (item->text() == game)
            item->setEnabled(false);
    }
}

void frmServerList::SwitchGame(QAction *item, const QString &errorPrefix, bool installed)
{
    Trap(errorPrefix, ErrLayout::DescriptionFirst, [&] {
        mLastGameType = gGameType;
        gGameType = item->text();
        if (gMain)
            gMain->SelectGame(gGameType);
        if (!installed)
            item->setEnabled(false);
    });
}

void frmServerList::mnuRS_Click() { SwitchGame(mnuRS, QStringLiteral("Error In MenuRSClick "), gRSInstalled); }
void frmServerList::mnuUO_Click() { SwitchGame(mnuUO, QStringLiteral("Error In MenuUOClick "), gUOInstalled); }
void frmServerList::mnuRB6_Click() { SwitchGame(mnuRB6, QStringLiteral("Error In MenuRB6Click "), gRB6Installed); }
void frmServerList::mnuEW_Click() { SwitchGame(mnuEW, QStringLiteral("Error In MenuEWClick "), gEWInstalled); }
