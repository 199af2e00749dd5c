#pragma once

#include "core/settings/RegChange.h"

#include <QList>
#include <QString>

// Hands settings changes to the wineserver running for a prefix, which keeps the registry in
// memory and would otherwise put its own copy back over the file at its next save. One
// "wine reg import" per call, run in the background; a failure is reported once, on standard
// error and through LastFailure().
namespace winehandoff {

// win64: the prefix is 64-bit; the changes' paths are the file's own, so they are imported in
// the 64-bit view, where no redirection applies.
void Send(const QString &prefix, bool win64, const QList<RegChange> &changes);

// Waits for every hand-off started so far (a tool, or the program, before it exits).
void WaitForAll(int msecs = 30000);

// What went wrong with the last hand-off that failed; empty when none did.
QString LastFailure();

} // namespace winehandoff
