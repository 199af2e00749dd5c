#pragma once

#include <QMainWindow>

class QAction;
class QMenu;

// The server list window. There is only one; it is made on first use.
class frmServerList : public QMainWindow {
    Q_OBJECT

public:
    // The one window, made hidden when there is none yet.
    static frmServerList *Instance();
    // The window when it exists, else null.
    static frmServerList *Existing();

    ~frmServerList() override;

    // Disables the GameType menu item of a game found missing.
    void DisableGameItem(const QString &game);
    bool WasShown() const { return m_shown; }

    void mnuRS_Click();
    void mnuUO_Click();
    void mnuRB6_Click();
    void mnuEW_Click();

    QMenu *mnuGameType;
    QAction *mnuRS;
    QAction *mnuUO;
    QAction *mnuRB6;
    QAction *mnuEW;

    QString mLastGameType;

protected:
    void showEvent(QShowEvent *event) override;

private:
    frmServerList();
    void SwitchGame(QAction *item, const QString &errorPrefix, bool installed);

    bool m_shown = false;
};
