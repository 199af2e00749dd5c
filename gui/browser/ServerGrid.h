#pragma once

#include "core/browser/ServerRow.h"

#include <QList>
#include <QTableWidget>

// One of the server list's grids: a fixed header and data rows numbered from 1, as the list's
// counters count them (grid row r is table row r - 1). Columns: status picture, ping, name,
// address, port, mods, and the hidden status flag ("1" up, "0" down).
class ServerGrid : public QTableWidget {
    Q_OBJECT

public:
    enum Column { colStatus, colPing, colName, colIP, colPort, colMods, colFlag, kColumns };

    explicit ServerGrid(const QString &toolTip, QWidget *parent = nullptr);

    // Column widths, header texts and alignment; leaves one blank data row.
    void InitGrid();

    // The servers the grid shows, in grid order: row r shows servers[r - 1]. The grid shows
    // them after Render; with none it shows one blank row.
    QList<ServerRow> servers;

    // Data rows in the grid (a fresh grid has one, blank).
    int DataRows() const { return rowCount(); }
    // The data row under a point of the viewport, or 0 when there is none.
    int GridRowAt(const QPoint &viewportPos) const;
    QString Cell(int row, int column) const;

    // Shows every server (and a blank row when there is none).
    void Render();
    // Shows one server in its row, adding the row when it is new.
    void RenderRow(int row);
    // Shows what a refresh changes (status, ping, address) on every row.
    void RenderStatus();

private:
    QTableWidgetItem *Item(int row, int column);
    void SetCell(int row, int column, const QString &text);
    void SetStatus(int row, bool up);
    void BlankRow(int row);
};
