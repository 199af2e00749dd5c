#include "core/settings/WriteLock.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

WriteLock::WriteLock(QString filePath) : m_filePath(std::move(filePath)) {}

WriteLock::~WriteLock()
{
    // Closing the folder drops the lock.
    if (m_fd >= 0)
        ::close(m_fd);
}

bool WriteLock::tryLock(int msecs)
{
    const QDeadlineTimer deadline(msecs);
    const QByteArray folder = QFile::encodeName(QFileInfo(m_filePath).absolutePath());
    m_fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    while (m_fd >= 0) {
        if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0)
            return true;
        if (errno == EWOULDBLOCK && !deadline.hasExpired())
            QThread::msleep(2);
        else if (errno != EINTR)
            break;
    }
    const bool held = m_fd >= 0 && errno == EWOULDBLOCK;
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    if (held)
        return false;
    // One held for 30 s belongs to a hung or dead process and is taken over.
    m_fallback.emplace(m_filePath + QStringLiteral(".lock"));
    m_fallback->setStaleLockTime(30000);
    return m_fallback->tryLock(static_cast<int>(deadline.remainingTime()));
}
