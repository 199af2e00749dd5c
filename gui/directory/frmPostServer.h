#pragma once

#include "core/directory/PostedServer.h"

#include <QDialog>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// Posts the user's own server to the shared server directory.
class frmPostServer : public QDialog {
    Q_OBJECT

public:
    explicit frmPostServer(QWidget *parent = nullptr);

    void Form_Load();
    void cmdPostServer_Click();
    void cmdCancel_Click();

    QGroupBox *fraPostServer;
    QLabel *lblServername;
    QLineEdit *txtServerName;
    QLabel *lblPAddress;
    QLineEdit *txtIPAddress;
    QLabel *lblPort;
    QLineEdit *txtPort;
    QLabel *lblMods;
    QLineEdit *txtMods;
    QLabel *Label1;
    QLineEdit *txtServerKey;
    QLabel *lblConnection;
    QComboBox *cboConnection;
    QPushButton *cmdPostServer;
    QPushButton *cmdCancel;

private:
    void BuildControls();
    // The fields as the directory gets them, the current game included.
    PostRequest Request() const;
    QLineEdit *Field(PostField field) const;
    void PostServer();
};
