#pragma once

#include <QString>

// Whether a wineserver runs for a Wine prefix. The server holds a write lock on its "lock" file
// for its whole life, in a folder named after the prefix's device and inode: below
// /tmp/.wine-<uid>/ upstream, or below the temporary folder that the prefix's "wineserver" file
// names on Debian. Asking the lock starts no process and sees no stale socket.
namespace wineserver {

bool IsRunning(const QString &prefix);

} // namespace wineserver
