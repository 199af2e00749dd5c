#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// Wine's registry text format (system.reg and friends): parsing, the tree it describes, and
// writing it back the way wineserver does, so that a file Wine wrote comes back byte for byte.
namespace hive {

// The value types the text writes in forms of their own; any other type is written as hex.
inline constexpr uint32_t kRegSz = 1;
inline constexpr uint32_t kRegExpandSz = 2;
inline constexpr uint32_t kRegBinary = 3;
inline constexpr uint32_t kRegDword = 4;
inline constexpr uint32_t kRegMultiSz = 7;

// Names compare as Wine compares them: each UTF-16 unit lowercased, then by unit value, and on
// a common prefix the shorter name first. Lookups use the folded (lowercased) form.
QString foldName(QStringView name);
int compareFolded(QStringView a, QStringView b);

struct Value {
    QString name;
    QString folded;
    uint32_t type = 0;
    QByteArray data;
};

// A key's last write time as the file gives it: Unix seconds after the section name, and the
// FILETIME of the "#time=" line. Either may be missing in a file Wine did not write.
struct Stamp {
    std::optional<uint32_t> seconds;
    std::optional<uint64_t> fileTime;

    static Stamp now();
};

class Key {
public:
    explicit Key(QString name);

    const QString &name() const { return m_name; }
    const QString &folded() const { return m_folded; }

    Key *subKey(QStringView name) const;
    // The existing sub-key of that name, or a new one (with the current time).
    Key *addSubKey(const QString &name, bool *created = nullptr);
    bool removeSubKey(QStringView name);
    const std::vector<std::unique_ptr<Key>> &subKeys() const { return m_subKeys; }

    const Value *value(QStringView name) const;
    // Replaces a value of that name whatever its case, keeping the case it was created with.
    void setValue(const QString &name, uint32_t type, QByteArray data);
    bool removeValue(QStringView name);
    const std::vector<Value> &values() const { return m_values; }

    const Stamp &stamp() const { return m_stamp; }
    void setStamp(const Stamp &stamp);
    void touch() { setStamp(Stamp::now()); }
    const std::optional<QString> &className() const { return m_className; }
    void setClassName(const std::optional<QString> &name);
    bool isLink() const { return m_link; }
    void setLink(bool link);

    // The key's section as last written; every change above drops it.
    const std::string *cachedSection() const { return m_sectionValid ? &m_section : nullptr; }
    void cacheSection(std::string section) const;

private:
    std::vector<std::unique_ptr<Key>>::const_iterator subKeyPos(QStringView folded) const;
    std::vector<Value>::const_iterator valuePos(QStringView folded) const;

    QString m_name;
    QString m_folded;
    std::vector<std::unique_ptr<Key>> m_subKeys;
    std::vector<Value> m_values;
    Stamp m_stamp;
    std::optional<QString> m_className;
    bool m_link = false;
    mutable std::string m_section;
    mutable bool m_sectionValid = false;
};

struct ParseError {
    qsizetype line = 0;
    QString message;
};

class HiveFile {
public:
    // An empty hive with the header Wine writes for HKEY_LOCAL_MACHINE.
    static HiveFile createNew(bool win64 = false);
    // nullopt with *error filled when the text is not a registry file Wine would load whole.
    static std::optional<HiveFile> parse(QByteArrayView text, ParseError *error);

    HiveFile(HiveFile &&) noexcept;
    HiveFile &operator=(HiveFile &&) noexcept;
    ~HiveFile();

    // sizeHint pre-sizes the output (the size of the file last read, for example).
    QByteArray serialize(qsizetype sizeHint = 0) const;

    bool isWin64() const { return m_win64; }
    Key &root() { return *m_root; }
    const Key &root() const { return *m_root; }

    // The key at the path (components below the root), or null.
    Key *find(const QStringList &path) const;
    // Creates whatever is missing on the path; new keys and their parent get the current time.
    Key *create(const QStringList &path);

private:
    HiveFile();

    QList<QByteArray> m_prelude;
    bool m_win64 = false;
    std::unique_ptr<Key> m_root;
};

// Backslash-separated path to components; empty components are dropped.
QStringList splitPath(QStringView path);

} // namespace hive
