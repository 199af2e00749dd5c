// The main window's command handlers: launching, the quick status check and the dialogs.
#include "gui/main/frmMain.h"

#include "core/state/ModUtil.h"
#include "core/settings/RegWriteScope.h"
#include "gui/browser/frmServerList.h"
#include "core/directory/DirectoryProtocol.h"
#include "gui/directory/frmPostServer.h"
#include "core/net/PingServer.h"
#include "core/net/StatusProbe.h"
#include "gui/options/frmAbout.h"
#include "gui/options/frmGeneralOptions.h"
#include "gui/options/frmPlayerConfig.h"
#include "gui/options/frmServerConfig.h"
#include "core/runtime/ErrorTrap.h"
#include "core/runtime/VbConv.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>

// An empty address box: says so, puts the focus there and returns false. Otherwise trims it.
bool frmMain::TrimAddressOrAsk()
{
    if (txtIP->text().isEmpty()) {
        MsgBox(QStringLiteral("No IP Address specified"));
        txtIP->setFocus();
        return false;
    }
    txtIP->setText(vb::Trim(txtIP->text()));
    return true;
}

// ---- launching ----

void frmMain::cmdJoin_Click()
{
    Trap(QStringLiteral("Error in CmdJoin_Click "), ErrLayout::NumberFirst, [this] {
        if (!GameCheck() || !TrimAddressOrAsk())
            return;
        if (txtPort->text().isEmpty()) {
            txtPort->setText(kDefaultPort);
            return;
        }
        txtPort->setText(vb::Trim(txtPort->text()));
        {
            const RegWriteScope oneWrite(gRegUtil());
            SaveGameSetting(QStringLiteral("MultiplayerManualHostAddress"), txtIP->text());
            SaveGameSetting(QStringLiteral("MultiplayerManualJoinPort"), txtPort->text());
        }
        JoinServer(txtIP->text(), txtPort->text());
        if (gUnloadOnStart)
            UNLOADALL();
    });
}

void frmMain::cmdCreate_Click()
{
    Trap(QStringLiteral("Error in cmdCreate_click "), ErrLayout::NumberFirst, [this] {
        if (!GameCheck())
            return;
        txtPort->setText(txtPort->text().isEmpty() ? kDefaultPort : vb::Trim(txtPort->text()));
        if (mboolUpdate && mboolPosted)
            UpdateServerFromDB();
        ExecuteServer(txtPort->text());
        if (gUnloadOnStart)
            close();
    });
}

void frmMain::cmdSingle_Click() { PlaySingle(); }

void frmMain::txtIP_DblClick() { txtIP->setText(QApplication::clipboard()->text()); }

// ---- quick status check ----

void frmMain::cmdCheckStatus_Click()
{
    Trap(QStringLiteral("Error in cmdCheckStatus_click "), ErrLayout::NumberFirst, [this] {
        StatusUp = false;
        QString address;
        lblPingTime->setText(PingServer(txtIP->text(), address));
        txtIP->setText(address);
        imgStatus->setPixmap(QPixmap(QStringLiteral(":/skirmdeck/status_red.png")));
        if (SckServer->State() == SocketControl::sckOpen || SckServer->State() == SocketControl::sckConnected)
            SckServer->Close();
        if (!TrimAddressOrAsk())
            return;
        txtPort->setText(txtPort->text().isEmpty() ? kDefaultPort : vb::Trim(txtPort->text()));
        mStatusProbe->aim(txtIP->text(), vb::CLng(txtPort->text()));
        setCursor(Qt::WaitCursor);
        // The window stays responsive: the tick and the data arrival come through the wait.
        mStatusProbe->wait();
        unsetCursor();
        mStatusProbe->finish();
    });
}

void frmMain::SckServer_DataArrival(int bytesTotal)
{
    Q_UNUSED(bytesTotal);
    if (StatusUp)
        return;
    imgStatus->setPixmap(QPixmap(QStringLiteral(":/skirmdeck/status_green.png")));
    StatusUp = true;
    unsetCursor();
}

void frmMain::txtHostIP_GotFocus()
{
    SelectText(txtHostIP);
    QApplication::clipboard()->clear();
    QApplication::clipboard()->setText(txtHostIP->text());
}

// ---- dialogs and the post toggle ----

void frmMain::cmdPlayerOptions_Click()
{
    frmPlayerConfig dialog(this);
    dialog.exec();
}

void frmMain::cmdServerOptions_Click()
{
    frmServerConfig dialog(this);
    dialog.exec();
}

void frmMain::cmdGeneralOptions_Click()
{
    frmGeneralOptions dialog(this);
    dialog.exec();
}

void frmMain::cmdAbout_Click()
{
    frmAbout dialog(this);
    dialog.exec();
}

void frmMain::cmdPost_Click()
{
    Trap(QStringLiteral("Error in cmdPost_Click "), ErrLayout::NumberFirst, [this] {
        if (!mboolPosted) {
            frmPostServer dialog(this);
            dialog.exec();
            return;
        }
        if (MsgBox(QStringLiteral("Are you sure you want to remove your Server from the Server List"),
                   MsgButtons::YesNo, MsgIcon::None, QStringLiteral("Remove Server")) == MsgResult::Yes)
            DeleteServerFromDB();
    });
}

void frmMain::imgFavDB1_MouseDown()
{
    imgFavDB->show();
    imgFavDB1->hide();
}

void frmMain::imgFavDB1_MouseUp()
{
    imgFavDB->releaseMouse();
    imgFavDB->hide();
    imgFavDB1->show();
    ShowServerList();
}

void frmMain::imgFavDB_MouseDown() { ShowServerList(); }

void frmMain::ShowServerList()
{
    frmServerList *list = frmServerList::Instance();
    list->show();
    list->raise();
    list->activateWindow();
}
