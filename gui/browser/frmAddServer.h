#pragma once

#include <QDialog>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class frmServerList;

// Lets the player type servers into the server list's selected grid, one after another; the
// dialog stays open after each one.
class frmAddServer : public QDialog {
    Q_OBJECT

public:
    frmAddServer(frmServerList &list, QWidget *parent = nullptr);

    void Form_Load();
    void cmdAddServer_Click();
    void cmdExit_Click();

    QGroupBox *Frame1;
    QLabel *lblServerName;
    QLineEdit *txtServerName;
    QLabel *lblServerIP;
    QLineEdit *txtServerIP;
    QLabel *lblPort;
    QLineEdit *txtServerPort;
    QLabel *lblMods;
    QLineEdit *txtServerMods;
    QCheckBox *chkUpdate;
    QPushButton *cmdAddServer;
    QPushButton *cmdExit;

private:
    void BuildControls();
    QLineEdit *AddField(QLabel *&label, const QString &caption, int top);

    frmServerList &m_list;
};
