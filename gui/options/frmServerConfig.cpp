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
constexpr int kSessionBoxPlaces[12][4] = {
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

// Half the players per team, halves going to the even neighbour (5 gives 2, 7 gives 4).
int32_t TeamSize(const QString &maxPlayers) { return vb::CLng(vb::CDbl(maxPlayers) / 2); }

int32_t GameLengthSeconds(const QString &minutes)
{
    return minutes == kNoGameLength ? 0 : vb::CLng(vb::CDbl(minutes) * 60);
}

QString GameLengthText(int32_t seconds) { return seconds == 0 ? kNoGameLength : vb::CStr(seconds / 60.0); }

QComboBox *NewListBox(QWidget *parent, const QString &designText)
{
    auto *box = new QComboBox(parent);
    box->setEditable(true);
    // Typed text stays typed text; Enter does not add it to the list.
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setEditText(designText);
    return box;
}

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

    lblServerName = new QLabel(QStringLiteral("Server Name:"), this);
    PlaceTwips(lblServerName, 120, 165, 975, 255);
    txtServername = new QLineEdit(QStringLiteral("ROGUE SPEAR GAME SERVER"), this);
    PlaceTwips(txtServername, 1200, 165, 2775, 285);
    lblMOTD = new QLabel(QStringLiteral("MOTD:"), this);
    PlaceTwips(lblMOTD, 120, 525, 615, 255);
    txtMOTD = new QLineEdit(QStringLiteral("Welcome to Rogue Spear"), this);
    PlaceTwips(txtMOTD, 1200, 525, 2775, 285);

    cmdOK = NewButton(this, QStringLiteral("OK"));
    PlaceTwips(cmdOK, 4095, 300, 1095, 375);
    cmdCancell = NewButton(this, QStringLiteral("Cancel"));
    PlaceTwips(cmdCancell, 5280, 300, 1095, 375);

    fraUpdate = new QGroupBox(QStringLiteral("Create Game "), this);
    PlaceTwips(fraUpdate, 4005, 945, 2085, 825);
    cmdUpdate = NewButton(fraUpdate, QStringLiteral("Create Game Opts"));
    PlaceTwips(cmdUpdate, 4095 - 4005, 1215 - 945, 1905, 330);

    chkServerOpts[kUsePasswordIndex] = new QCheckBox(this);
    PlaceTwips(chkServerOpts[kUsePasswordIndex], 165, 1125, 1335, 255);
    txtPW = new QLineEdit(QStringLiteral("VORNIX"), this);
    PlaceTwips(txtPW, 165, 1485, 1335, 285);

    lblMaxPlayers = new QLabel(QStringLiteral("Max Players:"), this);
    PlaceTwips(lblMaxPlayers, 1650, 1170, 975, 255);
    cboMaxPlayers = NewListBox(this, QStringLiteral("16"));
    PlaceTwips(cboMaxPlayers, 2730, 1170, 615, 315);
    lblGameLength = new QLabel(QStringLiteral("Game Length:"), this);
    PlaceTwips(lblGameLength, 1575, 1530, 1095, 255);
    cboGameLength = NewListBox(this, QStringLiteral("Combo1"));
    PlaceTwips(cboGameLength, 2745, 1530, 615, 315);

    BuildSessionFrame();
}

void frmServerConfig::BuildSessionFrame()
{
    frmSession = new QGroupBox(QStringLiteral("Session Options"), this);
    PlaceTwips(frmSession, 90, 1935, 6255, 1935);
    for (int i = 0; i < kUsePasswordIndex; ++i) {
        const auto &place = kSessionBoxPlaces[i];
        chkServerOpts[i] = new QCheckBox(frmSession);
        PlaceTwips(chkServerOpts[i], place[0], place[1], place[2], place[3]);
    }
}

void frmServerConfig::SetTabOrder()
{
    QList<QWidget *> order = {txtServername, txtMOTD,  chkServerOpts[kUsePasswordIndex], txtPW, cboMaxPlayers,
                              cboGameLength, cmdUpdate};
    for (int i = 0; i < kUsePasswordIndex; ++i)
        order << chkServerOpts[i];
    order << cmdOK << cmdCancell;
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
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
        SaveGameSettingLong(kMaxPlayersValue, vb::CLng(maxPlayers));
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
