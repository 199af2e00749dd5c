#include "gui/directory/frmPostServer.h"

#include "core/state/AppState.h"
#include "core/directory/DirectoryProtocol.h"
#include "core/net/LocalAddress.h"
#include "core/runtime/ErrorTrap.h"
#include "gui/common/UiSupport.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLineEdit *addField(QFormLayout *form, QLabel *&label, const QString &caption)
{
    auto *box = new QLineEdit;
    label = new QLabel(caption);
    form->addRow(label, box);
    return box;
}

} // namespace

frmPostServer::frmPostServer(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Post Server"));
    BuildControls();
    connect(cmdPostServer, &QPushButton::clicked, this, &frmPostServer::cmdPostServer_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmPostServer::cmdCancel_Click);
    Form_Load();
}

void frmPostServer::BuildControls()
{
    fraPostServer = new QGroupBox(QStringLiteral("Server Details"));
    auto *form = new QFormLayout(fraPostServer);
    txtServerName = addField(form, lblServername, QStringLiteral("Server Name:"));
    txtIPAddress = addField(form, lblPAddress, QStringLiteral("IP Address:"));
    txtPort = addField(form, lblPort, QStringLiteral("Port:"));
    txtMods = addField(form, lblMods, QStringLiteral("Mods:"));
    txtServerKey = addField(form, Label1, QStringLiteral("Password:"));
    cboConnection = new QComboBox;
    cboConnection->setEditable(false);
    lblConnection = new QLabel(QStringLiteral("Connection Type:"));
    form->addRow(lblConnection, cboConnection);

    cmdPostServer = new QPushButton(QStringLiteral("Post Server"));
    cmdCancel = new QPushButton(QStringLiteral("Cancel"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdPostServer);
    buttons->addWidget(cmdCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(fraPostServer);
    layout->addLayout(buttons);

    setTabOrder(txtServerName, txtIPAddress);
    setTabOrder(txtIPAddress, txtPort);
    setTabOrder(txtPort, txtMods);
    setTabOrder(txtMods, txtServerKey);
    setTabOrder(txtServerKey, cboConnection);
    setTabOrder(cboConnection, cmdPostServer);
    setTabOrder(cmdPostServer, cmdCancel);
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
            cboConnection->addItems({QStringLiteral("28.8K"), QStringLiteral("56K"), QStringLiteral("ISDN"),
                                     QStringLiteral("Cable"), QStringLiteral("DSL"), QStringLiteral("T1"),
                                     QStringLiteral("T3")});
            cboConnection->setCurrentIndex(0);
        });
}

QLineEdit *frmPostServer::FirstEmptyField(QString &message) const
{
    const std::pair<QLineEdit *, const char *> required[] = {
        {txtServerKey, "Please enter a Password so you can remove this Server at a later time"},
        {txtServerName, "Please enter a ServerName"},
        {txtIPAddress, "Please enter a IPAddress"},
        {txtPort, "Please enter a Port"},
    };
    for (const auto &[field, text] : required) {
        // Blanks count as content: only a field with no character at all is empty.
        if (field->text().isEmpty()) {
            message = QString::fromLatin1(text);
            return field;
        }
    }
    return nullptr;
}

void frmPostServer::cmdPostServer_Click()
{
    QString message;
    if (QLineEdit *empty = FirstEmptyField(message)) {
        MsgBox(message);
        empty->setFocus();
        return;
    }
    PostServer();
}

void frmPostServer::PostServer()
{
    const PostRequest request{txtServerName->text(), gGameType,       txtIPAddress->text(),
                              txtPort->text(),       txtMods->text(), cboConnection->currentText(),
                              txtServerKey->text()};
    switch (::PostServer(request)) {
    case PostResult::Posted: accept(); break;
    case PostResult::AlreadyListed: AnswerAlreadyListed(txtIPAddress->text(), LocalIPAddress()); break;
    case PostResult::Failed: break;
    }
}

void frmPostServer::cmdCancel_Click() { reject(); }
