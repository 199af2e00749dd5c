#include "gui/directory/frmPostServer.h"

#include "core/state/AppState.h"
#include "core/directory/DirectoryProtocol.h"
#include "core/net/LocalAddress.h"
#include "core/runtime/ErrorTrap.h"
#include "gui/common/UiSupport.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

// Rows of the details frame, in twips: a caption on the left, its field on the right.
constexpr int kRowTop = 360;
constexpr int kRowStep = 375;

QLineEdit *AddField(QGroupBox *frame, int row, QLabel *&label, const QString &caption)
{
    label = NewLabel(frame, caption, {120, kRowTop + row * kRowStep, 1335, 255});
    QLineEdit *box = NewTextBox(frame, {1560, kRowTop + row * kRowStep, 2895, 285});
    LabelFor(label, box);
    return box;
}

} // namespace

frmPostServer::frmPostServer(QWidget *parent) : QDialog(parent)
{
    BuildControls();
    connect(cmdPostServer, &QPushButton::clicked, this, &frmPostServer::cmdPostServer_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmPostServer::cmdCancel_Click);
    Form_Load();
}

void frmPostServer::BuildControls()
{
    SetClassicFrame(this, QStringLiteral("Post Server"), 4815, 3435);
    fraPostServer = NewFrame(this, QStringLiteral("Server Details"), {120, 120, 4575, 2700});
    txtServerName = AddField(fraPostServer, 0, lblServername, QStringLiteral("Server Name:"));
    txtIPAddress = AddField(fraPostServer, 1, lblPAddress, QStringLiteral("IP Address:"));
    txtPort = AddField(fraPostServer, 2, lblPort, QStringLiteral("Port:"));
    txtMods = AddField(fraPostServer, 3, lblMods, QStringLiteral("Mods:"));
    txtServerKey = AddField(fraPostServer, 4, Label1, QStringLiteral("Password:"));
    lblConnection = NewLabel(fraPostServer, QStringLiteral("Connection Type:"),
                             {120, kRowTop + 5 * kRowStep, 1335, 255});
    cboConnection = NewDropDownList(fraPostServer, {1560, kRowTop + 5 * kRowStep, 2895, 315});
    LabelFor(lblConnection, cboConnection);

    // Enter in a field presses neither button: posting calls the directory.
    cmdPostServer = NewButton(this, QStringLiteral("Post Server"), {2040, 2940, 1215, 375});
    cmdCancel = NewButton(this, QStringLiteral("Cancel"), {3360, 2940, 1215, 375});

    ChainTabOrder(
        {txtServerName, txtIPAddress, txtPort, txtMods, txtServerKey, cboConnection, cmdPostServer, cmdCancel});
}

void frmPostServer::Form_Load()
{
    TrapWith(
        [](const RuntimeError &e) {
            return QStringLiteral("Error In the FormLoad for PostServer ") + e.description() + QLatin1Char(' ') +
                   QString::number(e.number());
        },
        [this] {
            SetProgramIcon(this);
            txtPort->setText(kDefaultPort);
            txtIPAddress->setText(LocalIPAddress());
            cboConnection->addItems(kConnectionTypes);
            cboConnection->setCurrentIndex(0);
        });
}

PostRequest frmPostServer::Request() const
{
    return {txtServerName->text(),        gGameType,           txtIPAddress->text(), txtPort->text(), txtMods->text(),
            cboConnection->currentText(), txtServerKey->text()};
}

QLineEdit *frmPostServer::Field(PostField field) const
{
    switch (field) {
    case PostField::ServerKey: return txtServerKey;
    case PostField::ServerName: return txtServerName;
    case PostField::IPAddress: return txtIPAddress;
    case PostField::Port: return txtPort;
    }
    return nullptr;
}

void frmPostServer::cmdPostServer_Click()
{
    if (const auto empty = FirstEmptyPostField(Request())) {
        MsgBox(empty->message);
        Field(empty->field)->setFocus();
        return;
    }
    PostServer();
}

void frmPostServer::PostServer()
{
    switch (::PostServer(Request())) {
    case PostResult::Posted: accept(); break;
    case PostResult::AlreadyListed: AnswerAlreadyListed(txtIPAddress->text(), LocalIPAddress()); break;
    case PostResult::Failed: break;
    }
}

void frmPostServer::cmdCancel_Click() { reject(); }
