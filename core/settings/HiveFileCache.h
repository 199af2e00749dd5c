#pragma once

#include "core/settings/HiveFile.h"
#include "core/settings/RegChange.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

#include <sys/stat.h>

// What identifies one version of the file. A replaced file has a new inode; an edit in place
// changes the size or the times (nanoseconds included).
struct FileSig {
    bool exists = false;
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    timespec mtime{};
    timespec ctime{};

    bool operator==(const FileSig &o) const;
    QByteArray text() const;
};

// The 32-bit view of a win64 hive, which the games have: SOFTWARE\... lives below
// Software\Wow6432Node\. wow64View false takes paths as written.
QStringList ViewPath(QStringList parts, const hive::HiveFile &tree, bool wow64View);

// The parsed file and the version of the file it came from, and the changes made to it.
//
// Outside a batch each change locks the file, re-reads it when it changed, applies the change
// and replaces the file. Inside a batch changes are applied to the tree in memory and kept;
// the batch's end writes them all with one replacement. When the file is replaced by someone
// else meanwhile, the kept changes are applied again to the new contents.
//
// A file in a Wine prefix whose wineserver runs is written all the same, and the change is also
// handed to that server, which would otherwise put its own copy back at its next save.
class HiveFileCache {
public:
    explicit HiveFileCache(QString path);

    // The tree as the file now holds it (with a batch's changes); null when missing or unusable.
    hive::HiveFile *current();
    bool usable();

    // wow64View: a path below "SOFTWARE\" goes below "Software\Wow6432Node\" in a win64 file.
    bool apply(RegChange change, bool wow64View);

    void beginBatch() { ++m_batchDepth; }
    void endBatch();

    enum class Outcome { Failed, Unchanged, Changed };

private:
    void refresh();
    void load(const FileSig &seen);
    bool save(bool newFile);
    void replayPending();
    template <class Change> bool write(Change &&change);

    QString m_path;
    QByteArray m_native;
    FileSig m_sig;
    bool m_valid = false;
    bool m_broken = false;
    qsizetype m_size = 0;
    std::optional<hive::HiveFile> m_tree;
    int m_batchDepth = 0;
    QList<RegChange> m_pending;
};
