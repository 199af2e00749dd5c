#include "core/settings/RegistryStore.h"

#include "core/settings/HiveFile.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QMutex>
#include <QSaveFile>
#include <QSet>
#include <QStandardPaths>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// What identifies one version of the file. A replaced file has a new inode; an edit in place
// changes the size or the times (nanoseconds included).
struct FileSig {
    bool exists = false;
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    timespec mtime{};
    timespec ctime{};

    bool operator==(const FileSig &o) const
    {
        if (exists != o.exists)
            return false;
        return !exists ||
               (dev == o.dev && ino == o.ino && size == o.size && mtime.tv_sec == o.mtime.tv_sec &&
                mtime.tv_nsec == o.mtime.tv_nsec && ctime.tv_sec == o.ctime.tv_sec && ctime.tv_nsec == o.ctime.tv_nsec);
    }

    QByteArray text() const
    {
        return QByteArray::number(quint64(dev)) + ':' + QByteArray::number(quint64(ino)) + ':' +
               QByteArray::number(qint64(size)) + ':' + QByteArray::number(qint64(mtime.tv_sec)) + '.' +
               QByteArray::number(qint64(mtime.tv_nsec));
    }
};

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

enum class Outcome { Failed, Unchanged, Changed };

} // namespace

// The parsed file and the version of the file it came from.
class HiveFileCache {
public:
    explicit HiveFileCache(QString path) : m_path(std::move(path)), m_native(QFile::encodeName(m_path)) {}

    // The tree as the file now holds it; null when the file is missing or unusable.
    hive::HiveFile *current()
    {
        refresh();
        return m_tree ? &*m_tree : nullptr;
    }

    bool usable()
    {
        refresh();
        return !m_broken;
    }

    template <class Change> bool write(Change &&change);

private:
    void refresh();
    void load(const FileSig &seen);
    bool save(bool newFile);

    QString m_path;
    QByteArray m_native;
    FileSig m_sig;
    bool m_valid = false;
    bool m_broken = false;
    qsizetype m_size = 0;
    std::optional<hive::HiveFile> m_tree;
};

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
    if (!seen.exists)
        return;
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
    }
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
    // A write holds the lock for milliseconds; one held for 30 s belongs to a hung or dead
    // process (a dead one on this machine is noticed at once) and is taken over.
    QLockFile lock(m_path + QStringLiteral(".lock"));
    lock.setStaleLockTime(30000);
    if (!lock.tryLock(30000))
        return false;
    refresh();
    if (m_broken)
        return false;
    const bool newFile = !m_tree;
    if (newFile)
        m_tree = hive::HiveFile::createNew();
    const Outcome outcome = change(*m_tree);
    if (outcome != Outcome::Changed) {
        // Nothing to save: a file that did not exist is not created.
        if (newFile)
            m_tree.reset();
        return outcome == Outcome::Unchanged;
    }
    if (save(newFile))
        return true;
    // The tree no longer matches the file: read it again next time.
    m_valid = false;
    return false;
}

namespace {

// The 32-bit view of a win64 hive: SOFTWARE\... lives below Software\Wow6432Node.
QStringList viewPath(const QString &key, const hive::HiveFile &tree, bool wow64View)
{
    QStringList parts = hive::splitPath(key);
    if (wow64View && tree.isWin64() && parts.size() >= 2 &&
        parts[0].compare(QLatin1String("software"), Qt::CaseInsensitive) == 0 &&
        parts[1].compare(QLatin1String("wow6432node"), Qt::CaseInsensitive) != 0)
        parts.insert(1, QStringLiteral("Wow6432Node"));
    return parts;
}

RegValue toRegValue(const hive::Value &value) { return RegValue{value.name, value.type, value.data}; }

} // namespace

RegistryStore::RegistryStore(QString hivePath)
    : m_hivePath(std::move(hivePath)), m_cache(std::make_unique<HiveFileCache>(m_hivePath))
{
}

RegistryStore::~RegistryStore() = default;

QString RegistryStore::defaultHivePath()
{
    const QString fromEnv = qEnvironmentVariable("SKIRMDECK_REGISTRY");
    if (!fromEnv.isEmpty())
        return fromEnv;
    // A fixed folder name, so tools and the program find the same file whatever their name.
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/skirmdeck/system.reg");
}

bool RegistryStore::keyExists(const QString &key)
{
    const hive::HiveFile *tree = m_cache->current();
    return tree && tree->find(viewPath(key, *tree, m_wow64View));
}

std::optional<RegValue> RegistryStore::value(const QString &key, const QString &name)
{
    const hive::HiveFile *tree = m_cache->current();
    const hive::Key *found = tree ? tree->find(viewPath(key, *tree, m_wow64View)) : nullptr;
    const hive::Value *value = found ? found->value(name) : nullptr;
    if (!value)
        return std::nullopt;
    return toRegValue(*value);
}

QStringList RegistryStore::subKeyNames(const QString &key)
{
    QStringList names;
    const hive::HiveFile *tree = m_cache->current();
    if (const hive::Key *found = tree ? tree->find(viewPath(key, *tree, m_wow64View)) : nullptr) {
        for (const auto &sub : found->subKeys())
            names.append(sub->name());
    }
    return names;
}

QList<RegValue> RegistryStore::values(const QString &key)
{
    QList<RegValue> list;
    const hive::HiveFile *tree = m_cache->current();
    if (const hive::Key *found = tree ? tree->find(viewPath(key, *tree, m_wow64View)) : nullptr) {
        for (const hive::Value &value : found->values())
            list.append(toRegValue(value));
    }
    return list;
}

bool RegistryStore::setValue(const QString &key, const QString &name, uint32_t type, const QByteArray &data)
{
    return m_cache->write([&](hive::HiveFile &tree) {
        hive::Key *target = tree.create(viewPath(key, tree, m_wow64View));
        target->setValue(name, type, data);
        target->touch();
        return Outcome::Changed;
    });
}

bool RegistryStore::createKey(const QString &key)
{
    return m_cache->write([&](hive::HiveFile &tree) {
        const QStringList path = viewPath(key, tree, m_wow64View);
        if (tree.find(path))
            return Outcome::Unchanged;
        tree.create(path);
        return Outcome::Changed;
    });
}

namespace {

// Removes the key at the path from its parent; withSubKeys allows a key that has sub-keys.
Outcome removeKey(hive::HiveFile &tree, const QStringList &path, bool withSubKeys)
{
    if (path.isEmpty())
        return Outcome::Failed;
    hive::Key *parent = tree.find(path.mid(0, path.size() - 1));
    const hive::Key *key = parent ? parent->subKey(path.last()) : nullptr;
    if (!key || (!withSubKeys && !key->subKeys().empty()))
        return Outcome::Failed;
    parent->removeSubKey(path.last());
    parent->touch();
    return Outcome::Changed;
}

} // namespace

bool RegistryStore::deleteKey(const QString &key)
{
    return m_cache->write(
        [&](hive::HiveFile &tree) { return removeKey(tree, viewPath(key, tree, m_wow64View), false); });
}

bool RegistryStore::deleteTree(const QString &key)
{
    return m_cache->write(
        [&](hive::HiveFile &tree) { return removeKey(tree, viewPath(key, tree, m_wow64View), true); });
}

bool RegistryStore::deleteValue(const QString &key, const QString &name)
{
    return m_cache->write([&](hive::HiveFile &tree) {
        hive::Key *found = tree.find(viewPath(key, tree, m_wow64View));
        if (!found || !found->removeValue(name))
            return Outcome::Failed;
        found->touch();
        return Outcome::Changed;
    });
}

bool RegistryStore::isReadable() { return m_cache->usable(); }
