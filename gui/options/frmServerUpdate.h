#pragma once

#include <QDialog>

class QCheckBox;
class QGroupBox;
class QPlainTextEdit;
class QPushButton;

// "Create Game Options": whether a posted server is announced again on every Create.
// Shows the main window's flag; OK stores "PostServerUpdate" and sets the flag.
class frmServerUpdate : public QDialog {
    Q_OBJECT

public:
    explicit frmServerUpdate(QWidget *parent = nullptr);

    QGroupBox *fraServer = nullptr;
    QPlainTextEdit *txtDescription = nullptr;
    QCheckBox *chkUpdate = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCancell = nullptr;

    void Form_Load();
    void cmdOK_Click();
    void cmdCancell_Click();

private:
    void BuildControls();
    void CentreOnScreen();
};
