#pragma once

#include <QString>

// One server of the server list: what the favourites file or the directory gives, plus what
// the last refresh found.
struct ServerRow {
    QString name;
    QString address;
    QString port;
    QString mods;
    bool up = false;
    QString ping;
};
