#pragma once

#include <QString>
#include <QStringList>

// Where the games' files are, for installation paths stored as local folders or Windows paths.

// The local folder for a stored installation path ("" when a Windows path cannot be mapped
// through the Wine prefix that holds the settings file).
QString LocalGameFolder(const QString &storedPath);

// The Wine prefix that holds the settings file, or "".
QString SettingsPrefix();

// The file of that name directly in the game folder, matched without regard to case, or "".
QString FindGameFile(const QString &storedPath, const QString &fileName);
inline bool GameFileExists(const QString &storedPath, const QString &fileName)
{
    return !FindGameFile(storedPath, fileName).isEmpty();
}

// The sub-folder names of the game folder's "Mods" folder, in listing order.
// A missing folder raises run-time error 76.
QStringList ModFolderNames(const QString &storedPath);
