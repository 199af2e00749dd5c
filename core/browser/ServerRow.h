#pragma once

#include <QString>

#include <atomic>
#include <cstdint>

// A number no other server row has had in this run.
inline uint64_t NewServerRowId()
{
    static std::atomic<uint64_t> last{0};
    return ++last;
}

// One server of the server list: what the favourites file or the directory gives, plus what
// the last refresh found.
struct ServerRow {
    QString name;
    QString address;
    QString port;
    QString mods;
    bool up = false;
    QString ping;
    // Which row this is. Copies and sorts keep it, so a refresh finds the row it was asked for
    // however the list moved while it waited.
    uint64_t id = NewServerRowId();
};
