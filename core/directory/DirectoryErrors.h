#pragma once

#include "core/runtime/RuntimeError.h"

#include <cstdint>

// The error numbers callers see from a directory call, as the classic data-access layer
// reported them, so that the windows' messages and tests keep their familiar values.
namespace direrr {
// The procedure raised an error while running (a server already listed at that address included).
constexpr int32_t CommandFailed = -2147217900; // 0x80040E14
// The directory could not be reached or refused the login; also a link lost during a call.
constexpr int32_t ConnectFailed = -2147467259; // 0x80004005
// The command time-out expired before the procedure finished.
constexpr int32_t TimedOut = -2147217871; // 0x80040E31
} // namespace direrr

// A result column the caller names is not in the procedure's result.
inline RuntimeError MissingColumnError(const QString &column, const QString &source)
{
    return RuntimeError(3265,
                        QStringLiteral("Item cannot be found in the collection corresponding to the requested name "
                                       "or ordinal (%1).")
                            .arg(column),
                        source);
}

// The word every "already listed" error of the directory's AddServer carries in its text.
inline const QString kAlreadyListedMarker = QStringLiteral("ALREADYLISTED");

// Seconds a procedure may run before the call gives up.
constexpr int kDirectoryCommandTimeout = 10;
// Seconds the connection set-up may take, so that a silent host does not hang the window.
constexpr int kDirectoryLoginTimeout = 15;
