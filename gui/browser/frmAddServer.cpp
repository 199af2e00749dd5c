#include "gui/browser/frmAddServer.h"

#include "core/runtime/ErrorTrap.h"
#include "core/state/AppState.h"
#include "gui/browser/frmServerList.h"
#include "gui/common/UiSupport.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

frmAddServer::frmAddServer(frmServerList &list, QWidget *parent) : QDialog(parent), m_list(list)
{
    setModal(true);
    BuildControls();
    connect(cmdAddServer, &QPushButton::clicked, this, &frmAddServer::cmdAddServer_Click);
    connect(cmdExit, &QPushButton::clicked, this, &frmAddServer::cmdExit_Click);
    Form_Load();
}

QLineEdit *frmAddServer::AddField(QLabel *&label, const QString &caption, int top)
{
    const QFont arial = FaceOrStandard(QStringLiteral("Arial"), 8);
    label = new QLabel(caption, Frame1);
    label->setFont(arial);
    PlaceTwips(label, 120, top + 45, 1095, 255);
    auto *box = new QLineEdit(Frame1);
    box->setFont(arial);
    PlaceTwips(box, 1260, top, 2655, 315);
    LabelFor(label, box);
    return box;
}

void frmAddServer::BuildControls()
{
    SetClassicFrame(this, QStringLiteral("Add Server to Favorites"), 4380, 3090);
    Frame1 = new QGroupBox(QStringLiteral("New Server Information"), this);
    PlaceTwips(Frame1, 120, 60, 4095, 2250);
    txtServerName = AddField(lblServerName, QStringLiteral("Server Name:"), 300);
    txtServerIP = AddField(lblServerIP, QStringLiteral("Server IP:"), 720);
    txtServerPort = AddField(lblPort, QStringLiteral("Port:"), 1140);
    txtServerMods = AddField(lblMods, QStringLiteral("Game Mods:"), 1560);
    chkUpdate = new QCheckBox(QStringLiteral("Check Server Now?"), this);
    PlaceTwips(chkUpdate, 240, 2400, 1935, 255);
    cmdAddServer = NewButton(this, QStringLiteral("Add Server"));
    PlaceTwips(cmdAddServer, 2280, 2640, 975, 375);
    cmdExit = NewButton(this, QStringLiteral("Exit"));
    PlaceTwips(cmdExit, 3300, 2640, 915, 375);
    setTabOrder(txtServerName, txtServerIP);
    setTabOrder(txtServerIP, txtServerPort);
    setTabOrder(txtServerPort, txtServerMods);
    setTabOrder(txtServerMods, chkUpdate);
    setTabOrder(chkUpdate, cmdAddServer);
    setTabOrder(cmdAddServer, cmdExit);
}

void frmAddServer::Form_Load()
{
    Trap(QStringLiteral("Error opening AddServer Form "), ErrLayout::NumberFirst, [this] {
        SetProgramIcon(this);
        txtServerPort->setText(kDefaultPort);
    });
}

void frmAddServer::cmdAddServer_Click()
{
    Trap(QStringLiteral("Error when Adding Server To Grid "), ErrLayout::DescriptionFirst, [this] {
        if (txtServerIP->text().isEmpty() && txtServerName->text().isEmpty())
            return;
        m_list.AddServer(txtServerName->text(), txtServerIP->text(), txtServerPort->text(), txtServerMods->text(),
                         false, chkUpdate->isChecked());
        for (QLineEdit *box : {txtServerName, txtServerIP, txtServerPort, txtServerMods})
            box->clear();
        chkUpdate->setChecked(false);
        m_list.SaveServers();
    });
}

void frmAddServer::cmdExit_Click() { close(); }
