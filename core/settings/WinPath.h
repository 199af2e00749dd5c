#pragma once

#include <QString>

// Game folders may be stored as local folders or as Windows paths ("C:\Games\Rogue Spear").
// A Windows path is found through the Wine prefix that holds the hive file; outside a prefix
// it names no folder at all.
namespace winpath {

// "X:" followed by nothing, "\" or "/".
bool IsWindowsPath(const QString &path);

// The Wine prefix holding the hive file (its folder, when that has a "dosdevices" folder), or "".
QString PrefixOfHive(const QString &hivePath);

// The local path for a stored path: local paths unchanged, Windows paths through the prefix
// (each component exactly, else without regard to case). "" when a Windows path cannot be mapped.
QString ToLocalPath(const QString &storedPath, const QString &prefix);

// The entry of that name in the folder, matched exactly, else without regard to case;
// "" when there is none. Kinds: files only, folders only, or either.
enum class Kind { File, Folder, Any };
QString FindEntry(const QString &folder, const QString &name, Kind kind = Kind::Any);

} // namespace winpath
