#pragma once

#include "core/state/AppState.h"
#include "gui/common/PictureButton.h"

#include <QWidget>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class SocketControl;
class StatusProbe;

// The main window: game selection, quick launch, status check and the option commands.
class frmMain : public QWidget, public MainWindowLink {
    Q_OBJECT

public:
    explicit frmMain(QWidget *parent = nullptr);
    ~frmMain() override;

    // MainWindowLink
    void SetPostedState(bool posted) override;
    void SelectGame(const QString &game) override;
    bool GameCheck() override;
    void UNLOADALL() override;
    QString ModText() const override;
    void SetSocketTimerInterval(int milliseconds) override;

    void SetCurrentgRegistry();
    void SelectText(QLineEdit *box);

    // Start-up and selection
    void Form_Load();
    void InitGameVars();
    void GetMods();
    void EnableGameControls();
    void DisableGameControls();
    void cboGameType_Click();

    // Launch commands
    void cmdJoin_Click();
    void cmdCreate_Click();
    void cmdSingle_Click();
    void txtIP_DblClick();

    // Status check
    void cmdCheckStatus_Click();
    void SckServer_DataArrival(int bytesTotal);
    void txtHostIP_GotFocus();

    // Commands
    void cmdPlayerOptions_Click();
    void cmdServerOptions_Click();
    void cmdGeneralOptions_Click();
    void cmdAbout_Click();
    void cmdPost_Click();
    void imgFavDB1_MouseDown();
    void imgFavDB1_MouseUp();
    void imgFavDB_MouseDown();

    // Controls
    QGroupBox *FrmGame;
    QComboBox *cboGameType;
    QLabel *ImgLogo;
    PictureButton *imgFavDB1;
    QLabel *imgFavDB;
    QGroupBox *frmQuicklnch;
    QLabel *lblServerIP;
    QLabel *lblPort;
    QLineEdit *txtIP;
    QLineEdit *txtPort;
    QPushButton *cmdJoin;
    QPushButton *cmdCreate;
    QPushButton *cmdCheckStatus;
    QLabel *lblServerstatus;
    QLabel *imgStatus;
    QLabel *lblPing;
    QLabel *lblPingTime;
    QLabel *lblMod;
    QComboBox *cboMods;
    // The status check's probe, and its timer and socket control.
    StatusProbe *mStatusProbe;
    QTimer *SocketTimer;
    SocketControl *SckServer;
    QGroupBox *FramePostIP;
    QLabel *lblHostIP;
    QLineEdit *txtHostIP;
    QPushButton *cmdPost;
    QPushButton *cmdSingle;
    QPushButton *cmdPlayerOptions;
    QPushButton *cmdServerOptions;
    QPushButton *cmdGeneralOptions;
    QPushButton *cmdAbout;
    QLabel *lblVersion;

    QString RSRegistry;
    QString RB6Registry;
    bool StatusUp = false;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void BuildControls();
    void BuildGameFrame();
    void BuildQuickLaunch();
    void BuildPostFrame();
    void BuildBottomRow();
    void ConnectHandlers();
    void SetGameControlsEnabled(bool enabled);
    void LoadProgramSettings();
    QString SettingWithDefault(const QString &name, const QString &defaultText);
    void ShowServerList();
    bool TrimAddressOrAsk();
    void Form_Unload();
};
