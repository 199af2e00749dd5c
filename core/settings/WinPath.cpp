#include "core/settings/WinPath.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>

namespace winpath {
namespace {

bool matchesKind(const QFileInfo &info, Kind kind)
{
    switch (kind) {
    case Kind::File: return info.isFile();
    case Kind::Folder: return info.isDir();
    case Kind::Any: return info.exists();
    }
    return false;
}

} // namespace

bool IsWindowsPath(const QString &path)
{
    if (path.size() < 2 || !path[0].isLetter() || path[0].unicode() > 127 || path[1] != QLatin1Char(':'))
        return false;
    return path.size() == 2 || path[2] == QLatin1Char('\\') || path[2] == QLatin1Char('/');
}

QString PrefixOfHive(const QString &hivePath)
{
    const QString folder = QFileInfo(hivePath).absolutePath();
    return QFileInfo(QDir(folder).filePath(QStringLiteral("dosdevices"))).isDir() ? folder : QString();
}

QString FindEntry(const QString &folder, const QString &name, Kind kind)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return QString();
    const QDir dir(folder);
    const QFileInfo exact(dir.filePath(name));
    if (matchesKind(exact, kind))
        return exact.filePath();
    const auto filters = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
    for (const QFileInfo &entry : dir.entryInfoList(filters, QDir::NoSort)) {
        if (entry.fileName().compare(name, Qt::CaseInsensitive) == 0 && matchesKind(entry, kind))
            return entry.filePath();
    }
    return QString();
}

QString ToLocalPath(const QString &storedPath, const QString &prefix)
{
    if (!IsWindowsPath(storedPath))
        return storedPath;
    if (prefix.isEmpty())
        return QString();
    const QString drive = storedPath.left(2).toLower();
    QString current = QDir(prefix).filePath(QStringLiteral("dosdevices/") + drive);
    if (!QFileInfo(current).isDir())
        return QString();
    const QStringList parts = storedPath.mid(2).split(QRegularExpression(QStringLiteral("[\\\\/]")),
                                                      Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        if (part == QLatin1String(".") || part == QLatin1String(".."))
            return QString();
        const QString found = FindEntry(current, part);
        // A missing component keeps the given spelling: the path then simply does not exist.
        current = found.isEmpty() ? QDir(current).filePath(part) : found;
    }
    return current;
}

} // namespace winpath
