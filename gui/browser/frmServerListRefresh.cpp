// The server list's status and ping refresh commands, on the rows of the selected grid.
#include "core/browser/ServerRefresh.h"
#include "core/net/StatusProbe.h"
#include "gui/browser/ServerGrid.h"
#include "gui/browser/frmServerList.h"

#include <QPointer>

void frmServerList::ShowRefresh()
{
    for (ServerGrid *grid : {flexFavorites, flexDB})
        grid->RenderStatus();
}

// Runs one refresh on a grid's rows and shows the result. The rows are the grid's own, so a
// deletion or sort during the wait is seen by the refresh, never undone by it.
bool frmServerList::RunRefresh(ServerGrid &grid, const std::function<bool(QList<ServerRow> &)> &refresh)
{
    const QPointer<frmServerList> alive(this);
    const bool ran = refresh(grid.servers);
    if (alive)
        grid.RenderStatus();
    return ran && alive;
}

void frmServerList::mnuUpdtServer_Click()
{
    int row = 0;
    if (ClickedRow(row))
        RunRefresh(*mCurGrid, [&](QList<ServerRow> &rows) { return mRefresh->UpdateServer(rows, row - 1); });
}

void frmServerList::mnuUpdtAllServers_Click()
{
    // The grid asked for: the player may open the other tab while the probe waits.
    ServerGrid &grid = *mCurGrid;
    setCursor(Qt::WaitCursor);
    const QPointer<frmServerList> alive(this);
    const bool ran = RunRefresh(grid, [this](QList<ServerRow> &rows) {
        return mRefresh->UpdateAllServers(rows, mRefresh->probe()->interval());
    });
    if (!alive)
        return;
    if (ran) {
        SortGrid(grid, SortKey::Ping);
        SortGrid(grid, SortKey::Status);
    }
    unsetCursor();
}

void frmServerList::mnuUpdtPing_Click()
{
    int row = 0;
    if (!ClickedRow(row))
        return;
    setCursor(Qt::WaitCursor);
    RunRefresh(*mCurGrid, [&](QList<ServerRow> &rows) {
        mRefresh->UpdatePing(rows, row - 1);
        return true;
    });
    unsetCursor();
}

void frmServerList::mnuUpdtAllPing_Click()
{
    ServerGrid &grid = *mCurGrid;
    setCursor(Qt::WaitCursor);
    if (RunRefresh(grid, [this](QList<ServerRow> &rows) {
            mRefresh->UpdatePings(rows);
            return true;
        }))
        SortGrid(grid, SortKey::Ping);
    unsetCursor();
}
