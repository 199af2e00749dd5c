#include "core/settings/HiveFileCache.h"

#include "core/settings/WinPath.h"
#include "core/settings/WineHandoff.h"
#include "core/settings/WineServer.h"
#include "core/settings/WriteLock.h"

#include <QDir>
#include <QFileInfo>
#include <QMutex>
#include <QSaveFile>
#include <QSet>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

bool FileSig::operator==(const FileSig &o) const
{
    if (exists != o.exists)
        return false;
    return !exists ||
           (dev == o.dev && ino == o.ino && size == o.size && mtime.tv_sec == o.mtime.tv_sec &&
            mtime.tv_nsec == o.mtime.tv_nsec && ctime.tv_sec == o.ctime.tv_sec && ctime.tv_nsec == o.ctime.tv_nsec);
}

QByteArray FileSig::text() const
{
    return QByteArray::number(quint64(dev)) + ':' + QByteArray::number(quint64(ino)) + ':' +
           QByteArray::number(qint64(size)) + ':' + QByteArray::number(qint64(mtime.tv_sec)) + '.' +
           QByteArray::number(qint64(mtime.tv_nsec));
}

namespace {

FileSig sigOf(const struct stat &st)
{
    FileSig sig;
    sig.exists = true;
    sig.dev = st.st_dev;
    sig.ino = st.st_ino;
    sig.size = st.st_size;
    sig.mtime = st.st_mtim;
    sig.ctime = st.st_ctim;
    return sig;
}

FileSig statPath(const QByteArray &path)
{
    struct stat st {};
    return ::stat(path.constData(), &st) == 0 ? sigOf(st) : FileSig();
}

// One warning per broken version of a file, however many stores in the process look at it.
void warnOnce(const QString &path, const FileSig &sig, const QString &what)
{
    static QMutex mutex;
    static QSet<QByteArray> warned;
    const QByteArray key = path.toUtf8() + '|' + sig.text();
    {
        QMutexLocker lock(&mutex);
        if (warned.contains(key))
            return;
        warned.insert(key);
    }
    std::fprintf(stderr, "skirmdeck: %s: %s; settings from it are not used and it is not written\n",
                 qPrintable(QDir::toNativeSeparators(path)), qPrintable(what));
    std::fflush(stderr);
}

bool readAll(int fd, qsizetype size, QByteArray &out)
{
    out.resize(size);
    qsizetype done = 0;
    for (;;) {
        if (done == out.size())
            out.resize(out.size() + 65536);
        const ssize_t n = ::read(fd, out.data() + done, static_cast<size_t>(out.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            break;
        done += n;
    }
    out.resize(done);
    return true;
}

} // namespace

HiveFileCache::HiveFileCache(QString path) : m_path(std::move(path)), m_native(QFile::encodeName(m_path)) {}

hive::HiveFile *HiveFileCache::current()
{
    refresh();
    return m_tree ? &*m_tree : nullptr;
}

bool HiveFileCache::usable()
{
    refresh();
    return !m_broken;
}

void HiveFileCache::refresh()
{
    const FileSig now = statPath(m_native);
    if (m_valid && now == m_sig)
        return;
    load(now);
}

void HiveFileCache::load(const FileSig &seen)
{
    m_tree.reset();
    m_broken = false;
    m_valid = true;
    m_sig = seen;
    if (!seen.exists) {
        replayPending();
        return;
    }
    const int fd = ::open(m_native.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        m_sig = statPath(m_native);
        m_broken = m_sig.exists;
        if (m_broken)
            warnOnce(m_path, m_sig, QStringLiteral("cannot be read"));
        return;
    }
    // The version actually read is the one recorded, even if the file was replaced meanwhile.
    struct stat st {};
    QByteArray bytes;
    const bool ok = ::fstat(fd, &st) == 0 && readAll(fd, st.st_size, bytes);
    ::close(fd);
    if (!ok) {
        m_broken = true;
        m_valid = false;
        warnOnce(m_path, m_sig, QStringLiteral("cannot be read"));
        return;
    }
    m_sig = sigOf(st);
    m_size = bytes.size();
    hive::ParseError error;
    m_tree = hive::HiveFile::parse(bytes, &error);
    if (!m_tree) {
        m_broken = true;
        warnOnce(m_path, m_sig, QStringLiteral("line %1: %2").arg(error.line).arg(error.message));
        return;
    }
    replayPending();
}

bool HiveFileCache::save(bool newFile)
{
    const QByteArray bytes = m_tree->serialize(m_size);
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // It holds a password: a new file is for its owner only; an existing one keeps its mode.
    if (newFile)
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    if (file.write(bytes) != bytes.size() || !file.commit())
        return false;
    m_size = bytes.size();
    // Recorded under the lock, so the next read does not parse this write again.
    m_sig = statPath(m_native);
    return true;
}

template <class Change> bool HiveFileCache::write(Change &&change)
{
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    // A write holds the lock for milliseconds.
    WriteLock lock(m_path);
    if (!lock.tryLock(30000))
        return false;
    refresh();
    if (m_broken)
        return false;
    const bool newFile = !m_sig.exists;
    if (!m_tree)
        m_tree = hive::HiveFile::createNew();
    QList<RegChange> done;
    const Outcome outcome = change(*m_tree, done);
    if (outcome != Outcome::Changed) {
        // Nothing to save: a file that did not exist is not created.
        if (newFile)
            m_tree.reset();
        return outcome == Outcome::Unchanged;
    }
    // Asked before the file is replaced: a server that quits meanwhile saves first and then
    // loses nothing, since a server started by the hand-off reads the new file.
    const QString prefix = winpath::PrefixOfHive(m_path);
    const bool serverRuns = wineserver::IsRunning(prefix);
    if (!save(newFile)) {
        // The tree no longer matches the file: read it again next time.
        m_valid = false;
        return false;
    }
    if (serverRuns)
        winehandoff::Send(prefix, m_tree->isWin64(), done);
    return true;
}

namespace {

// Removes the key at the path from its parent; withSubKeys allows a key that has sub-keys.
bool removeKey(hive::HiveFile &tree, const QStringList &path, bool withSubKeys)
{
    if (path.isEmpty())
        return false;
    hive::Key *parent = tree.find(path.mid(0, path.size() - 1));
    const hive::Key *key = parent ? parent->subKey(path.last()) : nullptr;
    if (!key || (!withSubKeys && !key->subKeys().empty()))
        return false;
    parent->removeSubKey(path.last());
    parent->touch();
    return true;
}

bool removeValue(hive::HiveFile &tree, const RegChange &change)
{
    hive::Key *found = tree.find(change.path);
    if (!found || !found->removeValue(change.name))
        return false;
    found->touch();
    return true;
}

// Applies the change, its path already in the file's view.
HiveFileCache::Outcome applyChange(hive::HiveFile &tree, const RegChange &change)
{
    using Kind = RegChange::Kind;
    using O = HiveFileCache::Outcome;
    switch (change.kind) {
    case Kind::SetValue: {
        hive::Key *target = tree.create(change.path);
        target->setValue(change.name, change.type, change.data);
        target->touch();
        return O::Changed;
    }
    case Kind::CreateKey:
        if (tree.find(change.path))
            return O::Unchanged;
        tree.create(change.path);
        return O::Changed;
    case Kind::DeleteKey:
    case Kind::DeleteTree:
        return removeKey(tree, change.path, change.kind == Kind::DeleteTree) ? O::Changed : O::Failed;
    case Kind::DeleteValue: return removeValue(tree, change) ? O::Changed : O::Failed;
    }
    return O::Failed;
}

} // namespace

QStringList ViewPath(QStringList parts, const hive::HiveFile &tree, bool wow64View)
{
    if (wow64View && tree.isWin64() && parts.size() >= 2 &&
        parts[0].compare(QLatin1String("software"), Qt::CaseInsensitive) == 0 &&
        parts[1].compare(QLatin1String("wow6432node"), Qt::CaseInsensitive) != 0)
        parts.insert(1, QStringLiteral("Wow6432Node"));
    return parts;
}

void HiveFileCache::replayPending()
{
    if (m_pending.isEmpty())
        return;
    if (!m_tree)
        m_tree = hive::HiveFile::createNew();
    for (const RegChange &change : std::as_const(m_pending))
        applyChange(*m_tree, change);
}

bool HiveFileCache::apply(RegChange change, bool wow64View)
{
    if (m_batchDepth == 0) {
        return write([&](hive::HiveFile &tree, QList<RegChange> &done) {
            change.path = ViewPath(change.path, tree, wow64View);
            const Outcome outcome = applyChange(tree, change);
            done.append(change);
            return outcome;
        });
    }
    refresh();
    if (m_broken)
        return false;
    if (!m_tree)
        m_tree = hive::HiveFile::createNew();
    change.path = ViewPath(change.path, *m_tree, wow64View);
    const Outcome outcome = applyChange(*m_tree, change);
    if (outcome == Outcome::Changed)
        m_pending.append(change);
    return outcome != Outcome::Failed;
}

void HiveFileCache::endBatch()
{
    if (--m_batchDepth > 0 || m_pending.isEmpty())
        return;
    // refresh() inside write() re-applies the changes when the file was replaced meanwhile.
    const bool written = write([this](hive::HiveFile &, QList<RegChange> &done) {
        done = m_pending;
        return Outcome::Changed;
    });
    m_pending.clear();
    // Unwritten changes must not linger in memory as if the file held them.
    if (!written)
        m_valid = false;
}
