#pragma once

#include "core/browser/CRowInfo.h"
#include "core/browser/FavoritesFile.h"
#include "core/browser/ServerListRules.h"
#include "core/state/AppState.h"

#include <QMainWindow>

#include <functional>
#include <memory>
#include <optional>

class QAction;
class QMenu;
class QTabWidget;
class QTimer;
class ServerGrid;
class ServerRefresh;
class SocketControl;

// The server list: the player's favourites and the servers posted to the directory, for the
// current game, with status and ping refresh. There is only one; it is made on first use.
class frmServerList : public QMainWindow, public ServerListLink {
    Q_OBJECT

public:
    // The one window, made (and loaded) when there is none yet.
    static frmServerList *Instance();
    // The window when it exists, else null.
    static frmServerList *Existing();

    ~frmServerList() override;

    // ServerListLink
    void SetSocketTimerInterval(int milliseconds) override;
    void DisableGameItem(const QString &game) override;

    // Public operations, also used by the add-favourite dialog.
    void AddServer(const QString &strSrvName, const QString &strIP, const QString &strPort, const QString &strMods,
                   bool BoolUp = false, bool boolSocketNeeded = false);
    void SaveServers();
    void GetDBServers(const QString &StrGametype);
    void RowsAdded(int16_t intRows);

    void LoadServers(bool probe = false);
    void CleanUpDbList();
    void CleanUpFavList();
    void ClearFirstFavRow();
    bool IsLastFavRow() const;
    void SelectFavGrid();
    void SelectDbGrid();

    // Handlers
    void Form_Load();
    void mnuRS_Click();
    void mnuUO_Click();
    void mnuRB6_Click();
    void mnuEW_Click();
    void mnuSocket_Click();
    void tabServers_Click(int index);
    void flexGrid_MouseDown(ServerGrid *grid, Qt::MouseButton button, const QPoint &pos);
    void mnuLnch_Click();
    void mnuAddFav_Click();
    void mnuAddServer_Click();
    void mnuDeleteServer_Click();
    void Sort(SortKey key);
    void mnuUpdtServer_Click();
    void mnuUpdtAllServers_Click();
    void mnuUpdtPing_Click();
    void mnuUpdtAllPing_Click();

    ServerRefresh *mRefresh;
    // The status probe's timer and socket, shared by every refresh of this window.
    QTimer *SocketTimer;
    SocketControl *SckServer;
    QTabWidget *tabServers;
    ServerGrid *flexFavorites;
    ServerGrid *flexDB;

    QMenu *mnuGameType;
    QAction *mnuRS;
    QAction *mnuUO;
    QAction *mnuRB6;
    QAction *mnuEW;
    QMenu *mnuProp;
    QAction *mnuSocket;
    QMenu *mnuOptions;
    QAction *mnuLnch;
    QMenu *mnuSort;
    QAction *mnuSrtStatus;
    QAction *mnuSrtPing;
    QAction *mnuSrtHost;
    QAction *mnuSrtIP;
    QAction *mnuSrtMods;
    QAction *mnuUpdtServer;
    QAction *mnuUpdtAllServers;
    QAction *mnuUpdtPing;
    QAction *mnuUpdtAllPing;
    QMenu *mnuServerOptions;
    QAction *mnuAddFav;
    QAction *mnuAddServer;
    QAction *mnuDeleteServer;

    // Counters of the two grids and of the selected one.
    std::unique_ptr<CRowInfo> mFavRows;
    std::unique_ptr<CRowInfo> mDbRows;
    CRowInfo *mCurRows = nullptr;
    ServerGrid *mCurGrid = nullptr;
    QString mLastGameType;
    // The data row the pop-up menu was opened over (0 when none).
    int mClickedRow = 0;
    // The file the favourites grid was loaded from: saves go back to it and nowhere else.
    std::optional<FavoritesFile> mFavFile;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    frmServerList();
    void BuildControls();
    void BuildMenus();
    void BuildPopupMenu();
    void SwitchGame(QAction *item, const QString &errorPrefix, bool installed);
    void AddRows(ServerGrid &grid, CRowInfo &rows, const QList<ServerRow> &servers);
    void ShowRefresh();
    bool RunRefresh(ServerGrid &grid, const std::function<bool(QList<ServerRow> &)> &refresh);
    void SortGrid(ServerGrid &grid, SortKey key);
    void EnsureFavoritesOfCurrentGame();
    bool ClickedRow(int &row) const;
};
