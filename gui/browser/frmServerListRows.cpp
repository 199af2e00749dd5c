// The server list's rows: adding, loading, saving, clearing, sorting and the row commands.
#include "core/browser/ServerRefresh.h"
#include "core/directory/DirectoryProtocol.h"
#include "core/runtime/ErrorTrap.h"
#include "core/settings/RegWriteScope.h"
#include "core/state/ModUtil.h"
#include "gui/browser/ServerGrid.h"
#include "gui/browser/frmAddServer.h"
#include "gui/browser/frmServerList.h"

#include <QPointer>

#include <algorithm>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// "<text>" CR LF "Error Number <number>", with " <description>" when asked.
TrapFormatter NumberedMessage(const QString &text, bool withDescription)
{
    return [=](const RuntimeError &e) {
        QString message = text + kCrLf + QStringLiteral("Error Number ") + QString::number(e.number());
        if (withDescription)
            message += QLatin1Char(' ') + e.description();
        return message;
    };
}

bool UsableRecord(const ServerRow &record)
{
    return !record.name.isEmpty() && !record.address.isEmpty() && !record.port.isEmpty();
}

} // namespace

void frmServerList::RowsAdded(int16_t intRows) { mCurRows->Add(intRows); }

void frmServerList::AddServer(const QString &strSrvName, const QString &strIP, const QString &strPort,
                              const QString &strMods, bool BoolUp, bool boolSocketNeeded)
{
    TrapWith(NumberedMessage(QStringLiteral("Error Adding Server"), true), [&] {
        // The grid and counter asked for, whatever the player selects while a ping's message shows.
        ServerGrid &grid = *mCurGrid;
        CRowInfo &counter = *mCurRows;
        QList<ServerRow> added{ServerRow{strSrvName, strIP, PortOrDefault(strPort), strMods, BoolUp, QString()}};
        mRefresh->FillPings(added);
        // Shown and counted together, before the probe: a probe that fails (a port that is no
        // number) leaves the row fully added, so the grid, the counter and the file agree.
        counter.Add(1);
        grid.servers.append(added.front());
        grid.RenderRow(int(grid.servers.size()));
        if (boolSocketNeeded) {
            // The probe's wait handles events; the window may be gone when it ends.
            const QPointer<frmServerList> alive(this);
            mRefresh->ProbeServer(grid.servers, strIP, added.front().port);
            if (!alive)
                return;
            grid.RenderStatus();
        }
    });
}

// Every row first, shown at once, then one batch of pings for all of them.
void frmServerList::AddRows(ServerGrid &grid, CRowInfo &rows, const QList<ServerRow> &servers)
{
    if (servers.isEmpty())
        return;
    const qsizetype first = grid.servers.size();
    for (ServerRow server : servers) {
        server.port = PortOrDefault(server.port);
        grid.servers.append(server);
    }
    rows.setCurrentRow(int(grid.servers.size()) + 1);
    grid.Render();
    grid.viewport()->repaint();
    mRefresh->FillPings(grid.servers, first);
    grid.RenderStatus();
}

void frmServerList::LoadServers(bool probe)
{
    TrapWith(NumberedMessage(QStringLiteral("Error Reading file"), false), [&] {
        // Bound before reading: whatever this grid holds from now on belongs to this file.
        mFavFile.emplace(gStartDir, gGameType);
        const FavoritesContent content = mFavFile->Read();
        mFavRows->setCurrentRow(1);
        QList<ServerRow> usable;
        for (const ServerRow &record : content.records) {
            if (UsableRecord(record))
                usable.append(record);
        }
        if (probe) {
            for (const ServerRow &record : usable)
                AddServer(record.name, record.address, record.port, record.mods, false, true);
        } else {
            AddRows(*flexFavorites, *mFavRows, usable);
        }
        if (content.endsInsideRecord)
            throw RuntimeError(vberr::InputPastEnd);
    });
}

void frmServerList::SaveServers()
{
    TrapWith(NumberedMessage(QStringLiteral("Error Saving Server"), true), [&] {
        if (!mFavFile)
            throw RuntimeError(vberr::ObjectNotSet);
        mFavFile->Write(flexFavorites->servers.mid(0, std::max(0, mFavRows->CurrentRow() - 1)));
    });
}

void frmServerList::GetDBServers(const QString &StrGametype)
{
    const auto entries = GetDBServerRows(StrGametype);
    if (!entries)
        return;
    mDbRows->setCurrentRow(1);
    QList<ServerRow> servers;
    servers.reserve(entries->size());
    for (const DbServerRow &entry : *entries)
        servers.append(ServerRow{CleanServerName(entry.name), entry.ip, entry.port, entry.mods, true, QString()});
    AddRows(*flexDB, *mDbRows, servers);
}

void frmServerList::CleanUpDbList()
{
    TrapWith(NumberedMessage(QStringLiteral("Error in CleanUpDbList "), true), [&] {
        flexDB->servers.clear();
        flexDB->Render();
        mDbRows->setCurrentRow(1);
    });
}

void frmServerList::CleanUpFavList()
{
    TrapWith(NumberedMessage(QStringLiteral("Error in CleanUpFavList "), true), [&] {
        ClearFirstFavRow();
        mFavRows->setCurrentRow(1);
    });
}

void frmServerList::ClearFirstFavRow()
{
    flexFavorites->servers.clear();
    flexFavorites->Render();
}

bool frmServerList::IsLastFavRow() const { return flexFavorites->DataRows() <= 1; }

// ---- row commands ----

void frmServerList::mnuLnch_Click()
{
    Trap(QStringLiteral("Error in MenuLaunch "), ErrLayout::DescriptionFirst, [&] {
        int row = 0;
        if (!ClickedRow(row))
            return;
        const QString address = mCurGrid->servers[row - 1].address;
        const QString port = mCurGrid->servers[row - 1].port;
        {
            const RegWriteScope command(gRegUtil());
            SaveGameSetting(QStringLiteral("MultiplayerManualHostAddress"), address);
            SaveGameSetting(QStringLiteral("MultiplayerManualJoinPort"), port);
        }
        JoinServer(address, port);
        if (!gUnloadOnStart)
            return;
        if (gMain)
            gMain->UNLOADALL();
        else
            close();
    });
}

void frmServerList::EnsureFavoritesOfCurrentGame()
{
    // A favourite taken from another game's directory goes to that game's list and file.
    if (mFavFile && mFavFile->game() == gGameType)
        return;
    CleanUpFavList();
    LoadServers(false);
}

void frmServerList::mnuAddFav_Click()
{
    Trap(QStringLiteral("Error in MenuAddFav "), ErrLayout::DescriptionFirst, [&] {
        int row = 0;
        if (!ClickedRow(row))
            return;
        const ServerRow server = mCurGrid->servers[row - 1];
        ServerGrid *const grid = mCurGrid;
        CRowInfo *const rows = mCurRows;
        SelectFavGrid();
        EnsureFavoritesOfCurrentGame();
        AddServer(server.name, server.address, server.port, server.mods, false, false);
        mCurGrid = grid;
        mCurRows = rows;
        SaveServers();
    });
}

void frmServerList::mnuAddServer_Click()
{
    Trap(QStringLiteral("Error in MenuAddNewServer "), ErrLayout::DescriptionFirst, [&] {
        frmAddServer dialog(*this, this);
        dialog.exec();
    });
}

void frmServerList::mnuDeleteServer_Click()
{
    TrapWith(NumberedMessage(QStringLiteral("Error Deleting Server"), false), [&] {
        int row = 0;
        if (!ClickedRow(row))
            return;
        const QString name = flexFavorites->servers[row - 1].name;
        if (MsgBox(QStringLiteral("Do you want to delete ") + name + QStringLiteral("'s Game?"), MsgButtons::YesNo,
                   MsgIcon::None, QStringLiteral("Delete Server?")) == MsgResult::No)
            return;
        if (row == 1 && IsLastFavRow()) {
            ClearFirstFavRow();
            CleanUpFavList();
            mFavRows->setCurrentRow(1);
            flexFavorites->selectRow(0);
        } else {
            flexFavorites->servers.removeAt(row - 1);
            flexFavorites->removeRow(row - 1);
            mFavRows->Add(-1);
        }
        SaveServers();
    });
}

void frmServerList::Sort(SortKey key) { SortGrid(*mCurGrid, key); }

void frmServerList::SortGrid(ServerGrid &grid, SortKey key)
{
    SortServers(grid.servers, key);
    grid.Render();
}
