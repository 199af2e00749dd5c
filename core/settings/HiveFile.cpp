#include "core/settings/HiveFile.h"

namespace hive {

HiveFile::HiveFile() : m_root(std::make_unique<Key>(QString())) {}
HiveFile::HiveFile(HiveFile &&) noexcept = default;
HiveFile &HiveFile::operator=(HiveFile &&) noexcept = default;
HiveFile::~HiveFile() = default;

HiveFile HiveFile::createNew(bool win64)
{
    HiveFile hive;
    hive.m_prelude = {"WINE REGISTRY Version 2", ";; All keys relative to REGISTRY\\\\Machine", "",
                      win64 ? "#arch=win64" : "#arch=win32"};
    hive.m_win64 = win64;
    return hive;
}

Key *HiveFile::find(const QStringList &path) const
{
    Key *key = m_root.get();
    for (const QString &name : path) {
        key = key->subKey(name);
        if (!key)
            return nullptr;
    }
    return key;
}

Key *HiveFile::create(const QStringList &path)
{
    Key *key = m_root.get();
    for (const QString &name : path) {
        bool created = false;
        Key *sub = key->addSubKey(name, &created);
        if (created) {
            key->touch();
            sub->touch();
        }
        key = sub;
    }
    return key;
}

} // namespace hive
