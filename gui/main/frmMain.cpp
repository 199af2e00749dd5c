#include "gui/main/frmMain.h"

#include "core/state/GameFolders.h"
#include "core/settings/RegWriteScope.h"
#include "gui/browser/frmServerList.h"
#include "core/net/LocalAddress.h"
#include "core/net/StatusProbe.h"
#include "core/runtime/ErrorTrap.h"
#include "gui/common/UiSupport.h"
#include "core/runtime/VbConv.h"
#include "core/settings/WinPath.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>

namespace {

const QString kPostCaption = QStringLiteral("Post Server");
const QString kPostTip = QStringLiteral("Press here to Add your Server to the DB Server List");
const QString kRemoveCaption = QStringLiteral("Remove Server");
const QString kRemoveTip = QStringLiteral("Press here to Remove your Server from the DB Server List");

QFont smallFonts() { return ClassicFont(QStringLiteral("Small Fonts"), 6); }

} // namespace

frmMain::frmMain(QWidget *parent) : QWidget(parent)
{
    gMain = this;
    SetClassicFrame(this, QStringLiteral("Skirmdeck"), 6075, 2865);
    BuildControls();
    ConnectHandlers();
    Form_Load();
}

frmMain::~frmMain()
{
    if (gMain == this)
        gMain = nullptr;
}

void frmMain::BuildControls()
{
    BuildGameFrame();
    ImgLogo = NewImage(this, QStringLiteral(":/skirmdeck/logo.png"), {90, 1230, 2100, 1200});
    ImgLogo->setScaledContents(true);
    const QString listTip = QStringLiteral("Press to launch the Favorite/DB servers list");
    imgFavDB1 = NewPictureButton(this, {2295, 120, 1185, 960}, listTip, listTip);
    imgFavDB = NewImage(this, QString(), {2295, 120, 1170, 960});
    imgFavDB->hide();
    BuildQuickLaunch();
    BuildPostFrame();
    BuildBottomRow();
}

void frmMain::BuildGameFrame()
{
    FrmGame = NewFrame(this, QStringLiteral("Select a Game"), {90, 135, 2115, 1035});
    cboGameType = NewDropDownList(FrmGame, {255, 390, 1575, 315}, QStringLiteral("Press to Select which Game"));
    NameControl(cboGameType, FrmGame->title());
}

void frmMain::BuildQuickLaunch()
{
    frmQuicklnch = NewFrame(this, QStringLiteral("Quick Launch"), {3525, 135, 2490, 2295});
    lblServerIP = NewLabel(frmQuicklnch, QStringLiteral("Server IP:"), {120, 240, 840, 135});
    lblPort = NewLabel(frmQuicklnch, QStringLiteral("Port:"), {1800, 240, 375, 135});
    // These sit on the window itself, over the frame.
    txtIP = NewTextBox(this, {3600, 570, 1575, 285}, QStringLiteral("Enter the Server IP here"));
    txtPort = NewTextBox(this, {5280, 570, 615, 285}, QStringLiteral("Enter the Servers Port here"));
    cmdJoin = NewButton(this, QStringLiteral("Join"), {3600, 900, 495, 375},
                        QStringLiteral("Press to Connect to the Server IP"));
    cmdCreate = NewButton(this, QStringLiteral("Create"), {4095, 900, 615, 375},
                          QStringLiteral("Press to Create a game"));
    cmdCheckStatus = NewButton(this, QStringLiteral("Check Status"), {4710, 900, 1215, 375},
                               QStringLiteral("Press to check if the Server is Up"));
    lblServerstatus = NewLabel(frmQuicklnch, QStringLiteral("Server Status:"), {120, 1200, 915, 225},
                               QStringLiteral("This light denotes if the Game is up or not"));
    imgStatus = NewImage(frmQuicklnch, QString(), {450, 1425, 255, 255});
    lblPing = NewLabel(frmQuicklnch, QStringLiteral("Ping:"), {1665, 1215, 375, 165});
    lblPingTime = NewLabel(frmQuicklnch, QString(), {1650, 1425, 720, 255},
                           QStringLiteral("This is the ping to the server"));
    lblMod = NewLabel(frmQuicklnch, QStringLiteral("Mod:"), {105, 1935, 375, 255});
    cboMods = NewDropDownList(frmQuicklnch, {525, 1875, 1935, 315},
                              QStringLiteral("Click here to select which mods to use"));
    for (QLabel *small : {lblServerIP, lblPort, lblServerstatus, lblPing})
        small->setFont(smallFonts());
    LabelFor(lblServerIP, txtIP);
    LabelFor(lblPort, txtPort);
    LabelFor(lblMod, cboMods);
    mStatusProbe = new StatusProbe(this);
    SocketTimer = mStatusProbe->timer();
    SckServer = mStatusProbe->socket();
}

void frmMain::BuildPostFrame()
{
    FramePostIP = NewFrame(this, QString(), {2235, 1110, 1260, 1320});
    lblHostIP = NewLabel(FramePostIP, QStringLiteral("Your IP Address:"), {45, 195, 1095, 255});
    txtHostIP = NewTextBox(FramePostIP, {135, 360, 990, 240});
    txtHostIP->setFont(ClassicFont(QStringLiteral("MS Serif"), 7));
    LabelFor(lblHostIP, txtHostIP);
    cmdPost = NewButton(FramePostIP, QString(), {60, 630, 1155, 285});
    cmdSingle = NewButton(FramePostIP, QStringLiteral("Single Player"), {60, 945, 1155, 285},
                          QStringLiteral("Press to play a single player game"));
    for (QWidget *small : std::initializer_list<QWidget *>{lblHostIP, cmdPost, cmdSingle})
        small->setFont(smallFonts());
}

void frmMain::BuildBottomRow()
{
    cmdPlayerOptions = NewButton(this, QStringLiteral("Player Options"), {90, 2520, 1215, 255},
                                 QStringLiteral("Press to Change Player Options"));
    cmdServerOptions = NewButton(this, QStringLiteral("Server Options"), {1420, 2520, 1215, 255},
                                 QStringLiteral("Press to Change Server Options"));
    cmdGeneralOptions = NewButton(this, QStringLiteral("General Options"), {2750, 2520, 1335, 255},
                                  QStringLiteral("Press to Change General Options"));
    cmdAbout = NewButton(this, QStringLiteral("About Skirmdeck"), {4200, 2520, 1455, 255},
                         QStringLiteral("Click here to find out who brought you the Skirmdeck"));
    lblVersion = NewLabel(this, QString(), {5715, 2640, 375, 135});
    lblVersion->setFont(smallFonts());
}

void frmMain::ConnectHandlers()
{
    connect(cboGameType, &QComboBox::currentIndexChanged, this, [this] { cboGameType_Click(); });
    connect(cmdJoin, &QPushButton::clicked, this, &frmMain::cmdJoin_Click);
    connect(cmdCreate, &QPushButton::clicked, this, &frmMain::cmdCreate_Click);
    connect(cmdSingle, &QPushButton::clicked, this, &frmMain::cmdSingle_Click);
    connect(cmdCheckStatus, &QPushButton::clicked, this, &frmMain::cmdCheckStatus_Click);
    connect(cmdPlayerOptions, &QPushButton::clicked, this, &frmMain::cmdPlayerOptions_Click);
    connect(cmdServerOptions, &QPushButton::clicked, this, &frmMain::cmdServerOptions_Click);
    connect(cmdGeneralOptions, &QPushButton::clicked, this, &frmMain::cmdGeneralOptions_Click);
    connect(cmdAbout, &QPushButton::clicked, this, &frmMain::cmdAbout_Click);
    connect(cmdPost, &QPushButton::clicked, this, &frmMain::cmdPost_Click);
    connect(mStatusProbe, &StatusProbe::DataArrival, this, &frmMain::SckServer_DataArrival);
    // From the keyboard the picture opens the list at once, as a press on the pressed look does.
    connect(imgFavDB1, &PictureButton::pressed, this, &frmMain::imgFavDB_MouseDown);
    for (QObject *watched : std::initializer_list<QObject *>{txtIP, txtHostIP, imgFavDB1, imgFavDB})
        watched->installEventFilter(this);
}

bool frmMain::eventFilter(QObject *watched, QEvent *event)
{
    const auto type = event->type();
    if (watched == txtIP && type == QEvent::MouseButtonDblClick) {
        txtIP_DblClick();
        return true;
    }
    if (watched == txtHostIP && type == QEvent::FocusIn)
        QTimer::singleShot(0, this, &frmMain::txtHostIP_GotFocus);
    const bool enabled = qobject_cast<QWidget *>(watched) && qobject_cast<QWidget *>(watched)->isEnabled();
    if (watched == imgFavDB1 && enabled && type == QEvent::MouseButtonPress) {
        imgFavDB1_MouseDown();
        // The pressed picture now covers the button and the button is hidden, which would lose
        // the release: the pressed picture takes the mouse until then.
        imgFavDB->grabMouse();
    }
    if (watched == imgFavDB1 && enabled && type == QEvent::MouseButtonRelease)
        imgFavDB1_MouseUp();
    if (watched == imgFavDB && enabled && type == QEvent::MouseButtonPress)
        imgFavDB_MouseDown();
    if (watched == imgFavDB && enabled && type == QEvent::MouseButtonRelease && !imgFavDB1->isVisible())
        imgFavDB1_MouseUp();
    return QWidget::eventFilter(watched, event);
}

// ---- start-up ----

void frmMain::Form_Load()
{
    Trap(QStringLiteral("Error in Form Load of frmMain "), ErrLayout::NumberFirst, [this] {
        lblVersion->setText(QStringLiteral("v%1.%2").arg(SKIRMDECK_VERSION_MAJOR).arg(SKIRMDECK_VERSION_PATCH));
        gStartDir = QDir::currentPath();
        RSRegistry = kRSRegistry;
        RB6Registry = kRB6Registry;
        SetProgramIcon(this);
        txtHostIP->setText(LocalIPAddress());
        {
            const QSignalBlocker quietFill(cboGameType);
            cboGameType->addItems(kGameNames);
        }
        cboMods->setEnabled(false);
        cboMods->addItem(QStringLiteral("None"));
        InitGameVars();
        if (gRSInstalled)
            GetMods();
        cboMods->setCurrentIndex(0);
        imgFavDB->setPixmap(QPixmap(QStringLiteral(":/skirmdeck/serverlist_pressed.png")));
        imgFavDB1->setPixmap(QPixmap(QStringLiteral(":/skirmdeck/serverlist.png")));
        imgStatus->setPixmap(QPixmap(QStringLiteral(":/skirmdeck/status_red.png")));
        // Selecting row 0 runs the selection handler, even though the selector starts there.
        const QSignalBlocker quiet(cboGameType);
        cboGameType->setCurrentIndex(0);
        cboGameType_Click();
        SetCurrentgRegistry();
        LoadProgramSettings();
    });
}

QString frmMain::SettingWithDefault(const QString &name, const QString &defaultText)
{
    if (OwnSetting(name).isEmpty())
        SaveOwnSetting(name, defaultText);
    return OwnSetting(name);
}

void frmMain::LoadProgramSettings()
{
    // The defaults written here go to the file together.
    const RegWriteScope defaults(gRegUtil());
    gUnloadOnStart = vb::CBool(SettingWithDefault(QStringLiteral("UnloadOnStart"), QStringLiteral("False")));
    SetPostedState(vb::CBool(SettingWithDefault(QStringLiteral("PostServerPosted"), QStringLiteral("False"))));
    txtIP->setText(GameSetting(QStringLiteral("MultiplayerManualHostAddress")));
    txtPort->setText(GameSetting(QStringLiteral("MultiplayerManualJoinPort")));
    imgFavDB->hide();
    imgFavDB1->show();
    const QString update = OwnSetting(QStringLiteral("PostServerUpdate"));
    if (!update.isEmpty()) {
        mboolUpdate = vb::CBool(OwnSetting(QStringLiteral("PostServerUpdate")));
    } else {
        SaveOwnSetting(QStringLiteral("PostServerUpdate"), QStringLiteral("False"));
        mboolUpdate = false;
    }
    gSocketTimeOut = SettingWithDefault(QStringLiteral("SocketTimeOut"), QStringLiteral("1000"));
    SetSocketTimerInterval(vb::CLng(gSocketTimeOut));
}

void frmMain::SetSocketTimerInterval(int milliseconds) { mStatusProbe->setInterval(milliseconds); }

void frmMain::InitGameVars()
{
    Trap(QStringLiteral("Error in InitGameVars "), ErrLayout::NumberFirst, [] {
        gRSPath = gRegUtil().GetSettingString(HKEY_LOCAL_MACHINE, kRSRegistry, QStringLiteral("InstallationPath"));
        gRSInstalled = !gRSPath.isEmpty();
        gUOInstalled = gRSInstalled && GameFileExists(gRSPath, QStringLiteral("UrbanOperations.exe"));
        gRB6Path = gRegUtil().GetSettingString(HKEY_LOCAL_MACHINE, kRB6Registry, QStringLiteral("InstallationPath"));
        gRB6Installed = !gRB6Path.isEmpty();
        gEWInstalled = gRB6Installed && GameFileExists(gRB6Path, QStringLiteral("RainbowSixMP.exe"));
    });
}

void frmMain::GetMods()
{
    Trap(QStringLiteral("Error in GetMods "), ErrLayout::NumberFirst, [this] {
        for (const QString &mod : ModFolderNames(gRSPath))
            cboMods->addItem(mod.left(256));
    });
}

bool frmMain::GameCheck()
{
    bool result = false;
    const bool ok = Trap(QStringLiteral("Error in GameCheck "), ErrLayout::NumberFirst, [&] {
        const QString game = cboGameType->currentText();
        const int row = kGameNames.indexOf(game);
        if (row < 0)
            return;
        const bool installed[] = {gRSInstalled, gUOInstalled, gRB6Installed, gEWInstalled};
        result = installed[row];
        if (!result) {
            MsgBox(game + QStringLiteral(" is not installed!"), MsgButtons::OK, MsgIcon::Exclamation,
                   QStringLiteral("WARNING:"));
            NoteMissingGame(game);
        }
    });
    if (!ok)
        return false;
    if (result)
        EnableGameControls();
    else
        DisableGameControls();
    return result;
}

void frmMain::SetGameControlsEnabled(bool enabled)
{
    for (QWidget *w : std::initializer_list<QWidget *>{cmdPost, cmdServerOptions, cmdGeneralOptions, cmdPlayerOptions,
                                                       cmdSingle, cmdJoin, cmdCreate, imgFavDB, imgFavDB1})
        w->setEnabled(enabled);
}

void frmMain::EnableGameControls() { SetGameControlsEnabled(true); }

void frmMain::DisableGameControls() { SetGameControlsEnabled(false); }

void frmMain::cboGameType_Click()
{
    GameCheck();
    const QString game = cboGameType->currentText();
    if (IsRSFamily(game)) {
        cboMods->setEnabled(true);
    } else {
        cboMods->setEnabled(false);
        cboMods->setCurrentIndex(0);
    }
    gGameType = game;
    SetCurrentgRegistry();
}

void frmMain::SetCurrentgRegistry()
{
    if (IsRSFamily(gGameType))
        gRegistry = RSRegistry;
    else if (IsRB6Family(gGameType))
        gRegistry = RB6Registry;
}

void frmMain::SelectGame(const QString &game)
{
    const int row = cboGameType->findText(game);
    if (row == cboGameType->currentIndex())
        return;
    cboGameType->setCurrentIndex(row);
}

QString frmMain::ModText() const { return cboMods->currentText(); }

void frmMain::SetPostedState(bool posted)
{
    mboolPosted = posted;
    cmdPost->setText(posted ? kRemoveCaption : kPostCaption);
    cmdPost->setToolTip(posted ? kRemoveTip : kPostTip);
}

void frmMain::SelectText(QLineEdit *box) { box->setSelection(0, static_cast<int>(box->text().size())); }

// ---- shutdown ----

void frmMain::UNLOADALL()
{
    close();
    if (auto *list = frmServerList::Existing())
        list->close();
}

void frmMain::closeEvent(QCloseEvent *event)
{
    Form_Unload();
    QWidget::closeEvent(event);
}

void frmMain::Form_Unload() { ReleaseRegUtil(); }
