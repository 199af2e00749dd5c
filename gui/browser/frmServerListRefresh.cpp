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

// Runs one refresh on the selected grid's rows and shows the result. The rows are the grid's
// own, so a deletion or sort during the wait is seen by the refresh, never undone by it.
bool frmServerList::RunRefresh(const std::function<bool(QList<ServerRow> &)> &refresh)
{
    ServerGrid *const grid = mCurGrid;
    const QPointer<frmServerList> alive(this);
    const bool ran = refresh(grid->servers);
    if (alive)
        grid->RenderStatus();
    return ran && alive;
}

void frmServerList::mnuUpdtServer_Click()
{
    int row = 0;
    if (ClickedRow(row))
        RunRefresh([&](QList<ServerRow> &rows) { return mRefresh->UpdateServer(rows, row - 1); });
}

void frmServerList::mnuUpdtAllServers_Click()
{
    setCursor(Qt::WaitCursor);
    const QPointer<frmServerList> alive(this);
    const bool ran = RunRefresh(
        [this](QList<ServerRow> &rows) { return mRefresh->UpdateAllServers(rows, mRefresh->probe()->interval()); });
    if (!alive)
        return;
    if (ran) {
        Sort(SortKey::Ping);
        Sort(SortKey::Status);
    }
    unsetCursor();
}

void frmServerList::mnuUpdtPing_Click()
{
    int row = 0;
    if (!ClickedRow(row))
        return;
    setCursor(Qt::WaitCursor);
    RunRefresh([&](QList<ServerRow> &rows) { return mRefresh->UpdatePing(rows, row - 1); });
    unsetCursor();
}

void frmServerList::mnuUpdtAllPing_Click()
{
    setCursor(Qt::WaitCursor);
    if (RunRefresh([this](QList<ServerRow> &rows) { return mRefresh->UpdatePings(rows); }))
        Sort(SortKey::Ping);
    unsetCursor();
}
