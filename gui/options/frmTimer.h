#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;

// The socket time-out dialog: picks the status checks' wait in steps of 0.2 seconds, stores it
// as "SocketTimeOut" and applies it at once to the main window's and the server list's timers.
class frmTimer : public QDialog {
    Q_OBJECT

public:
    explicit frmTimer(QWidget *parent = nullptr);

    void Form_Load();
    void hscrollTime_Change();
    void cmdChange_Click();
    void cmdExit_Click();

    QScrollBar *hscrollTime;
    QLabel *Label1;
    QLineEdit *txtSeconds;
    QLabel *Label2;
    QLineEdit *txtMilliSec;
    QPushButton *cmdChange;
    QPushButton *cmdExit;

private:
    void BuildControls();
};
