#pragma once

#include <QLockFile>
#include <QString>

#include <optional>

// Keeps writers of one settings file apart, across processes. It locks the file's folder with
// flock(): the kernel drops the lock when its holder dies, and taking it writes nothing to disk
// (a QLockFile syncs its file to disk, which costs half a write of a 2 MB hive). Where the
// folder cannot be locked (some network file systems) a QLockFile beside the file is used.
class WriteLock {
public:
    explicit WriteLock(QString filePath);
    ~WriteLock();
    WriteLock(const WriteLock &) = delete;
    WriteLock &operator=(const WriteLock &) = delete;

    bool tryLock(int msecs);

private:
    QString m_filePath;
    int m_fd = -1;
    std::optional<QLockFile> m_fallback;
};
