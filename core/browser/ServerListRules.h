#pragma once

#include "core/browser/ServerRow.h"

#include <QList>
#include <QString>

// A directory name as the list shows it: every "&#" removed, then every ";" turned into "'".
QString CleanServerName(const QString &name);

// The port a row gets: an empty port becomes the default game port "2346".
QString PortOrDefault(const QString &port);

// The five sorts of the server list's pop-up menu.
enum class SortKey {
    Status,   // up rows first
    Ping,     // generic ascending: numbers by value when both are numbers, else as text
    Hostname, // text ascending, case-sensitive
    IP,       // dotted addresses by their value, ascending; anything else after them, as text
    Mods,     // generic descending
};

// The order of a sort as indexes into rows; rows with equal keys keep their order.
QList<int> SortOrder(const QList<ServerRow> &rows, SortKey key);
// Sorts whole rows by SortOrder.
void SortServers(QList<ServerRow> &rows, SortKey key);
