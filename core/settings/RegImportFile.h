#pragma once

#include "core/settings/RegChange.h"

#include <QByteArray>
#include <QList>

// The changes as a file for "reg import" (and regedit): "Windows Registry Editor Version 5.00",
// UTF-16LE with a byte order mark, keys below HKEY_LOCAL_MACHINE. Values are written with their
// exact type and bytes (hex(N):...), so nothing is converted on the way.
QByteArray RegImportText(const QList<RegChange> &changes);
