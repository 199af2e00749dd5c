#pragma once

#include "gui/options/ServerOptionTables.h"

#include <QDialog>

#include <array>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// "Server Config": the session options the current game uses when it hosts a game.
// Loads in the constructor; OK writes, Cancel writes nothing.
class frmServerConfig : public QDialog {
    Q_OBJECT

public:
    explicit frmServerConfig(QWidget *parent = nullptr);

    QLabel *lblServerName = nullptr;
    QLineEdit *txtServername = nullptr;
    QLabel *lblMOTD = nullptr;
    QLineEdit *txtMOTD = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCancell = nullptr;
    QGroupBox *fraUpdate = nullptr;
    QPushButton *cmdUpdate = nullptr;
    QLineEdit *txtPW = nullptr;
    QLabel *lblMaxPlayers = nullptr;
    QComboBox *cboMaxPlayers = nullptr;
    QLabel *lblGameLength = nullptr;
    QComboBox *cboGameLength = nullptr;
    QGroupBox *frmSession = nullptr;
    std::array<QCheckBox *, kServerOptCount> chkServerOpts{};

    void Form_Load();
    void cmdOK_Click();
    void cmdCancell_Click();
    void cmdUpdate_Click();
    void chkServerOpts_Click(int index);

private:
    void BuildControls();
    void BuildSessionFrame();
    void SetTabOrder();
    void ConnectHandlers();

    void InitMaxPlayers();
    void InitGameLength();
    void InitRSServerOpts();
    void InitRB6ServerOpts();
    void LoadRSServerOpts();
    void LoadRB6ServerOpts();
    void WriteRSServerOpts();
    void WriteRB6ServerOpts();

    void LoadServerOpt(int index);
    void WriteChangedServerOpt(int index);

    ServerOptTable ServerOpts;
    bool Loading = false;
};
