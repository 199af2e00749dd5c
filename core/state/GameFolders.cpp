#include "core/state/GameFolders.h"

#include "core/state/AppState.h"
#include "core/runtime/RuntimeError.h"
#include "core/settings/WinPath.h"

#include <QDir>

QString SettingsPrefix() { return winpath::PrefixOfHive(gRegUtil().store().hivePath()); }

QString LocalGameFolder(const QString &storedPath) { return winpath::ToLocalPath(storedPath, SettingsPrefix()); }

QString FindGameFile(const QString &storedPath, const QString &fileName)
{
    const QString folder = LocalGameFolder(storedPath);
    return folder.isEmpty() ? QString() : winpath::FindEntry(folder, fileName, winpath::Kind::File);
}

QStringList ModFolderNames(const QString &storedPath)
{
    const QString folder = LocalGameFolder(storedPath);
    const QString mods = folder.isEmpty() ? QString()
                                          : winpath::FindEntry(folder, QStringLiteral("Mods"), winpath::Kind::Folder);
    if (mods.isEmpty())
        throw RuntimeError(vberr::PathNotFound);
    // Listed by name, as a folder list shows them.
    return QDir(mods).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name | QDir::IgnoreCase);
}
