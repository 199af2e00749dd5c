#include "gui/options/frmServerConfig.h"

#include "core/state/AppState.h"
#include "core/settings/RegWriteScope.h"
#include "gui/options/frmServerUpdate.h"
#include "core/runtime/ErrorTrap.h"
#include "gui/common/UiSupport.h"
#include "core/runtime/VbConv.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

// The boxes each family uses, in the order they are loaded and written.
constexpr std::array kRSOptIndices = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
constexpr std::array kRB6OptIndices = {0, 1, 2, 3, 4, 5, 12};

// Left, top, width, height of boxes 0 to 11, inside the session frame.
constexpr TwipsBox kSessionBoxPlaces[12] = {
    {240, 360, 1575, 255},   {2280, 360, 1815, 255}, {4320, 360, 1695, 255},  {240, 720, 1815, 255},
    {2280, 720, 1935, 255},  {4320, 720, 1815, 255}, {240, 1080, 1815, 255},  {2280, 1125, 1935, 255},
    {4320, 1080, 1815, 255}, {240, 1440, 1935, 255}, {2280, 1440, 1935, 375}, {4320, 1440, 1815, 375},
};

const QString kServerNameValue = QStringLiteral("MultiplayerServerName");
const QString kMessageValue = QStringLiteral("MultiplayerMessageName");
const QString kPasswordValue = QStringLiteral("MultiplayerPassword");
const QString kMaxPlayersValue = QStringLiteral("MultiplayerMaximumNumberOfPlayers");
const QString kBlueTeamValue = QStringLiteral("MultiplayerBlueTeamSize");
const QString kGoldTeamValue = QStringLiteral("MultiplayerGoldTeamSize");
const QString kGameLengthValue = QStringLiteral("MultiplayerGameLength");
const QString kNoGameLength = QStringLiteral("--");

// The two lists show and take numbers in the player's locale; what is stored is whole numbers.
int32_t Players(const QString &maxPlayers) { return vb::CLng(vb::CDblLocal(maxPlayers)); }

// Half the players per team, halves going to the even neighbour (5 gives 2, 7 gives 4).
int32_t TeamSize(const QString &maxPlayers) { return vb::CLng(vb::CDblLocal(maxPlayers) / 2); }

int32_t GameLengthSeconds(const QString &minutes)
{
    return minutes == kNoGameLength ? 0 : vb::CLng(vb::CDblLocal(minutes) * 60);
}

QString GameLengthText(int32_t seconds) { return seconds == 0 ? kNoGameLength : vb::CStrLocal(seconds / 60.0); }

} // namespace

frmServerConfig::frmServerConfig(QWidget *parent) : QDialog(parent)
{
    BuildControls();
    SetTabOrder();
    ConnectHandlers();
    Form_Load();
}

void frmServerConfig::BuildControls()
{
    SetClassicFrame(this, QStringLiteral("Server Config"), 6450, 4020);

    lblServerName = NewLabel(this, QStringLiteral("Server Name:"), {120, 165, 975, 255});
    txtServername = NewTextBox(this, {1200, 165, 2775, 285});
    txtServername->setText(QStringLiteral("ROGUE SPEAR GAME SERVER"));
    lblMOTD = NewLabel(this, QStringLiteral("MOTD:"), {120, 525, 615, 255});
    txtMOTD = NewTextBox(this, {1200, 525, 2775, 285});
    txtMOTD->setText(QStringLiteral("Welcome to Rogue Spear"));

    cmdOK = NewButton(this, QStringLiteral("OK"), {4095, 300, 1095, 375});
    cmdCancell = NewButton(this, QStringLiteral("Cancel"), {5280, 300, 1095, 375});

    fraUpdate = NewFrame(this, QStringLiteral("Create Game "), {4005, 945, 2085, 825});
    cmdUpdate = NewButton(fraUpdate, QStringLiteral("Create Game Opts"), {4095 - 4005, 1215 - 945, 1905, 330});

    chkServerOpts[kUsePasswordIndex] = NewCheckBox(this, QString(), {165, 1125, 1335, 255});
    txtPW = NewTextBox(this, {165, 1485, 1335, 285});
    txtPW->setText(QStringLiteral("VORNIX"));

    // Both lists take typed numbers as typed: a completer would turn "1" into "16".
    lblMaxPlayers = NewLabel(this, QStringLiteral("Max Players:"), {1650, 1170, 975, 255});
    cboMaxPlayers = NewExactList(this, {2730, 1170, 615, 315});
    cboMaxPlayers->setEditText(QStringLiteral("16"));
    lblGameLength = NewLabel(this, QStringLiteral("Game Length:"), {1575, 1530, 1095, 255});
    cboGameLength = NewExactList(this, {2745, 1530, 615, 315});
    cboGameLength->setEditText(QStringLiteral("Combo1"));

    LabelFor(lblServerName, txtServername);
    LabelFor(lblMOTD, txtMOTD);
    LabelFor(lblMaxPlayers, cboMaxPlayers);
    LabelFor(lblGameLength, cboGameLength);
    // The password box has no label; the check box above it, which enables it, says what it is.
    NameControl(txtPW, RSServerOptTable()[kUsePasswordIndex].Caption);
    BuildSessionFrame();
}

void frmServerConfig::BuildSessionFrame()
{
    frmSession = NewFrame(this, QStringLiteral("Session Options"), {90, 1935, 6255, 1935});
    for (int i = 0; i < kUsePasswordIndex; ++i) {
        chkServerOpts[i] = NewCheckBox(frmSession, QString(), kSessionBoxPlaces[i]);
    }
}

void frmServerConfig::SetTabOrder()
{
    QList<QWidget *> order = {txtServername, txtMOTD,  chkServerOpts[kUsePasswordIndex], txtPW, cboMaxPlayers,
                              cboGameLength, cmdUpdate};
    for (int i = 0; i < kUsePasswordIndex; ++i)
        order << chkServerOpts[i];
    ChainTabOrder(order << cmdOK << cmdCancell);
}

void frmServerConfig::ConnectHandlers()
{
    connect(cmdOK, &QPushButton::clicked, this, &frmServerConfig::cmdOK_Click);
    connect(cmdCancell, &QPushButton::clicked, this, &frmServerConfig::cmdCancell_Click);
    connect(cmdUpdate, &QPushButton::clicked, this, &frmServerConfig::cmdUpdate_Click);
    // A state set from code counts as a click too, as the password box must follow box 12 while loading.
    for (int i = 0; i < kServerOptCount; ++i)
        connect(chkServerOpts[i], &QCheckBox::stateChanged, this, [this, i] { chkServerOpts_Click(i); });
}

void frmServerConfig::Form_Load()
{
    Trap(QStringLiteral("Error in Form Load for Server Config "), ErrLayout::DescriptionFirst, [&] {
        SetProgramIcon(this);
        Loading = true;
        InitMaxPlayers();
        if (IsRSFamily(gGameType)) {
            InitRSServerOpts();
            LoadRSServerOpts();
        } else if (IsRB6Family(gGameType)) {
            InitRB6ServerOpts();
            LoadRB6ServerOpts();
        }
        Loading = false;
        txtServername->setText(GameSetting(kServerNameValue));
        txtMOTD->setText(GameSetting(kMessageValue));
        txtPW->setText(GameSetting(kPasswordValue));
    });
}

void frmServerConfig::InitMaxPlayers()
{
    Trap(QStringLiteral("Error in InitMaxPlayers"), ErrLayout::DescriptionFirst, [&] {
        cboMaxPlayers->addItems({QStringLiteral("16"), QStringLiteral("14"), QStringLiteral("12"), QStringLiteral("10"),
                                 QStringLiteral("8"), QStringLiteral("4"), QStringLiteral("2")});
        cboMaxPlayers->setEditText(QString::number(GameSettingLong(kMaxPlayersValue)));
    });
}

void frmServerConfig::InitGameLength()
{
    Trap(QStringLiteral("Error InitGameLength sub "), ErrLayout::DescriptionFirst, [&] {
        cboGameLength->addItems({kNoGameLength, QStringLiteral("1"), QStringLiteral("3"), QStringLiteral("5"),
                                 QStringLiteral("10"), QStringLiteral("20"), QStringLiteral("30"),
                                 QStringLiteral("60")});
        cboGameLength->setEditText(GameLengthText(GameSettingLong(kGameLengthValue)));
    });
}

void frmServerConfig::InitRSServerOpts()
{
    Trap(QStringLiteral("Error in RS UDT Initialization"), ErrLayout::DescriptionFirst,
         [&] { ServerOpts = RSServerOptTable(); });
}

void frmServerConfig::InitRB6ServerOpts()
{
    Trap(QStringLiteral("Error in RB 6 UDT Initialization "), ErrLayout::DescriptionFirst,
         [&] { ServerOpts = RB6ServerOptTable(); });
}

void frmServerConfig::LoadServerOpt(int index) { LoadOptionBox(ServerOpts[index], chkServerOpts[index], gRegistry); }

void frmServerConfig::LoadRSServerOpts()
{
    Trap(QStringLiteral("Error in LoadRSServerOpts"), ErrLayout::DescriptionFirst, [&] {
        InitGameLength();
        for (int index : kRSOptIndices)
            LoadServerOpt(index);
        if (ServerOpts[kUsePasswordIndex].LoadedState == 0)
            txtPW->setEnabled(false);
    });
}

void frmServerConfig::LoadRB6ServerOpts()
{
    Trap(QStringLiteral("Error in LoadRB6ServerOpts"), ErrLayout::DescriptionFirst, [&] {
        for (int index : kRB6OptIndices)
            LoadServerOpt(index);
        if (ServerOpts[kUsePasswordIndex].LoadedState == 0)
            txtPW->setEnabled(false);
        for (int i = 6; i < kUsePasswordIndex; ++i)
            chkServerOpts[i]->setVisible(false);
        const QList<QWidget *> rsRows = {cboGameLength, lblGameLength, cboMaxPlayers, lblMaxPlayers};
        for (QWidget *row : rsRows)
            row->setVisible(false);
    });
}

void frmServerConfig::chkServerOpts_Click(int index)
{
    Trap(QStringLiteral("Error In the Checkbox Click Event "), ErrLayout::DescriptionFirst, [&] {
        const int16_t state = CheckValue(chkServerOpts.at(index));
        if (index == kUsePasswordIndex)
            txtPW->setEnabled(state == 1);
        if (!Loading) {
            ServerOpt &slot = ServerOpts.at(index);
            slot.Changed = state != slot.LoadedState;
        }
    });
}

void frmServerConfig::cmdOK_Click()
{
    Trap(QStringLiteral("Error in OK click Event on Seerver Config Form "), ErrLayout::DescriptionFirst, [&] {
        const RegWriteScope oneWrite(gRegUtil());
        SaveGameSetting(kServerNameValue, txtServername->text());
        SaveGameSetting(kMessageValue, txtMOTD->text());
        SaveGameSetting(kPasswordValue, txtPW->text());
        if (IsRSFamily(gGameType))
            WriteRSServerOpts();
        else if (IsRB6Family(gGameType))
            WriteRB6ServerOpts();
        accept();
    });
}

void frmServerConfig::WriteChangedServerOpt(int index)
{
    WriteOptionBox(ServerOpts[index], chkServerOpts[index], gRegistry);
}

void frmServerConfig::WriteRSServerOpts()
{
    Trap(QStringLiteral("Error in WriteRSServerOpts"), ErrLayout::DescriptionFirst, [&] {
        for (int index : kRSOptIndices)
            WriteChangedServerOpt(index);
        const QString maxPlayers = cboMaxPlayers->currentText();
        SaveGameSettingLong(kMaxPlayersValue, Players(maxPlayers));
        SaveGameSettingLong(kBlueTeamValue, TeamSize(maxPlayers));
        SaveGameSettingLong(kGoldTeamValue, TeamSize(maxPlayers));
        SaveGameSettingLong(kGameLengthValue, GameLengthSeconds(cboGameLength->currentText()));
    });
}

void frmServerConfig::WriteRB6ServerOpts()
{
    Trap(QStringLiteral("Error in WriteRB6ServerOpts"), ErrLayout::DescriptionFirst, [&] {
        for (int index : kRB6OptIndices)
            WriteChangedServerOpt(index);
    });
}

// The auto-announce dialog saves its own setting; this dialog's state is left as it was.
void frmServerConfig::cmdUpdate_Click()
{
    frmServerUpdate dialog(this);
    dialog.exec();
}

void frmServerConfig::cmdCancell_Click() { reject(); }
