#include "core/settings/HiveFile.h"

#include <algorithm>
#include <chrono>

// The key tree: names compared as Wine compares them, sorted sub-keys and values, stamps.
namespace hive {

namespace {

// 100 ns ticks between 1601-01-01 and 1970-01-01.
constexpr uint64_t kTicks1601To1970 = 116444736000000000ull;

} // namespace

QString foldName(QStringView name)
{
    QString folded(name.size(), Qt::Uninitialized);
    QChar *out = folded.data();
    for (qsizetype i = 0; i < name.size(); ++i)
        out[i] = name[i].toLower();
    return folded;
}

int compareFolded(QStringView a, QStringView b)
{
    const qsizetype n = std::min(a.size(), b.size());
    const char16_t *pa = a.utf16();
    const char16_t *pb = b.utf16();
    for (qsizetype i = 0; i < n; ++i) {
        if (pa[i] != pb[i])
            return pa[i] < pb[i] ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

Stamp Stamp::now()
{
    const auto since = std::chrono::system_clock::now().time_since_epoch();
    const auto ticks = static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(since).count() / 100);
    Stamp stamp;
    stamp.seconds = static_cast<uint32_t>(ticks / 10000000ull);
    stamp.fileTime = ticks + kTicks1601To1970;
    return stamp;
}

Key::Key(QString name) : m_name(std::move(name)), m_folded(foldName(m_name)) {}

std::vector<std::unique_ptr<Key>>::const_iterator Key::subKeyPos(QStringView folded) const
{
    return std::lower_bound(
        m_subKeys.begin(), m_subKeys.end(), folded,
        [](const std::unique_ptr<Key> &key, QStringView f) { return compareFolded(key->folded(), f) < 0; });
}

std::vector<Value>::const_iterator Key::valuePos(QStringView folded) const
{
    return std::lower_bound(m_values.begin(), m_values.end(), folded,
                            [](const Value &value, QStringView f) { return compareFolded(value.folded, f) < 0; });
}

Key *Key::subKey(QStringView name) const
{
    const QString folded = foldName(name);
    const auto it = subKeyPos(folded);
    return it != m_subKeys.end() && compareFolded((*it)->folded(), folded) == 0 ? it->get() : nullptr;
}

Key *Key::addSubKey(const QString &name, bool *created)
{
    auto key = std::make_unique<Key>(name);
    // Files list keys in order, so a new key usually belongs at the end.
    auto it = m_subKeys.end();
    if (!m_subKeys.empty() && compareFolded(m_subKeys.back()->folded(), key->folded()) >= 0)
        it = m_subKeys.begin() + (subKeyPos(key->folded()) - m_subKeys.cbegin());
    if (it != m_subKeys.end() && compareFolded((*it)->folded(), key->folded()) == 0) {
        if (created)
            *created = false;
        return it->get();
    }
    if (created)
        *created = true;
    return m_subKeys.insert(it, std::move(key))->get();
}

bool Key::removeSubKey(QStringView name)
{
    const QString folded = foldName(name);
    const auto it = subKeyPos(folded);
    if (it == m_subKeys.end() || compareFolded((*it)->folded(), folded) != 0)
        return false;
    m_subKeys.erase(it);
    return true;
}

const Value *Key::value(QStringView name) const
{
    const QString folded = foldName(name);
    const auto it = valuePos(folded);
    return it != m_values.end() && compareFolded(it->folded, folded) == 0 ? &*it : nullptr;
}

void Key::setValue(const QString &name, uint32_t type, QByteArray data)
{
    m_sectionValid = false;
    QString folded = foldName(name);
    auto it = m_values.end();
    if (!m_values.empty() && compareFolded(m_values.back().folded, folded) >= 0)
        it = m_values.begin() + (valuePos(folded) - m_values.cbegin());
    if (it != m_values.end() && compareFolded(it->folded, folded) == 0) {
        it->type = type;
        it->data = std::move(data);
        return;
    }
    m_values.insert(it, Value{name, std::move(folded), type, std::move(data)});
}

bool Key::removeValue(QStringView name)
{
    const QString folded = foldName(name);
    const auto it = valuePos(folded);
    if (it == m_values.end() || compareFolded(it->folded, folded) != 0)
        return false;
    m_sectionValid = false;
    m_values.erase(it);
    return true;
}

void Key::setStamp(const Stamp &stamp)
{
    m_stamp = stamp;
    m_sectionValid = false;
}

void Key::setClassName(const std::optional<QString> &name)
{
    m_className = name;
    m_sectionValid = false;
}

void Key::setLink(bool link)
{
    m_link = link;
    m_sectionValid = false;
}

void Key::cacheSection(std::string section) const
{
    m_section = std::move(section);
    m_sectionValid = true;
}

QStringList splitPath(QStringView path)
{
    QStringList parts;
    for (QStringView part : path.split(u'\\', Qt::SkipEmptyParts))
        parts.append(part.toString());
    return parts;
}

} // namespace hive
