#include "core/settings/WineServer.h"

#include <QDir>
#include <QFile>
#include <QStringList>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace wineserver {
namespace {

// True when some process holds a write lock on the file's first byte.
bool LockHeld(const QString &lockPath)
{
    const int fd = ::open(QFile::encodeName(lockPath).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct flock query {};
    query.l_type = F_WRLCK;
    query.l_whence = SEEK_SET;
    query.l_start = 0;
    query.l_len = 1;
    const bool held = ::fcntl(fd, F_GETLK, &query) == 0 && query.l_type != F_UNLCK;
    ::close(fd);
    return held;
}

// The folders that may hold the prefix's server folder.
QStringList ServerParents(const QString &prefix)
{
    QStringList parents{QStringLiteral("/tmp/.wine-%1").arg(::getuid())};
    QFile named(QDir(prefix).filePath(QStringLiteral("wineserver")));
    if (named.open(QIODevice::ReadOnly)) {
        const QString folder = QString::fromLocal8Bit(named.readAll()).trimmed();
        // Only a plain name: the file must not send the probe anywhere else.
        if (!folder.isEmpty() && !folder.contains(QLatin1Char('/'))) {
            parents.append(QDir(QDir::tempPath()).filePath(folder));
            parents.append(QStringLiteral("/tmp/") + folder);
        }
    }
    return parents;
}

} // namespace

bool IsRunning(const QString &prefix)
{
    struct stat st {};
    if (prefix.isEmpty() || ::stat(QFile::encodeName(prefix).constData(), &st) != 0)
        return false;
    const QString server = QStringLiteral("server-%1-%2")
                               .arg(static_cast<qulonglong>(st.st_dev), 0, 16)
                               .arg(static_cast<qulonglong>(st.st_ino), 0, 16);
    for (const QString &parent : ServerParents(prefix)) {
        if (LockHeld(QStringLiteral("%1/%2/lock").arg(parent, server)))
            return true;
    }
    return false;
}

} // namespace wineserver
