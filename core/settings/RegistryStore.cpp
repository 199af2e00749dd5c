#include "core/settings/RegistryStore.h"

#include "core/settings/HiveFileCache.h"
#include "core/settings/SettingsLocation.h"

namespace {

RegValue toRegValue(const hive::Value &value) { return RegValue{value.name, value.type, value.data}; }

} // namespace

RegistryStore::RegistryStore(QString hivePath)
    : m_hivePath(std::move(hivePath)), m_cache(std::make_unique<HiveFileCache>(m_hivePath))
{
}

RegistryStore::~RegistryStore() = default;

QString RegistryStore::defaultHivePath() { return settingsfile::current().path; }

bool RegistryStore::keyExists(const QString &key)
{
    const hive::HiveFile *tree = m_cache->current();
    return tree && tree->find(ViewPath(hive::splitPath(key), *tree, m_wow64View));
}

std::optional<RegValue> RegistryStore::value(const QString &key, const QString &name)
{
    const hive::HiveFile *tree = m_cache->current();
    const hive::Key *found = tree ? tree->find(ViewPath(hive::splitPath(key), *tree, m_wow64View)) : nullptr;
    const hive::Value *value = found ? found->value(name) : nullptr;
    if (!value)
        return std::nullopt;
    return toRegValue(*value);
}

QStringList RegistryStore::subKeyNames(const QString &key)
{
    QStringList names;
    const hive::HiveFile *tree = m_cache->current();
    if (const hive::Key *found = tree ? tree->find(ViewPath(hive::splitPath(key), *tree, m_wow64View)) : nullptr) {
        for (const auto &sub : found->subKeys())
            names.append(sub->name());
    }
    return names;
}

QList<RegValue> RegistryStore::values(const QString &key)
{
    QList<RegValue> list;
    const hive::HiveFile *tree = m_cache->current();
    if (const hive::Key *found = tree ? tree->find(ViewPath(hive::splitPath(key), *tree, m_wow64View)) : nullptr) {
        for (const hive::Value &value : found->values())
            list.append(toRegValue(value));
    }
    return list;
}

RegChange RegistryStore::change(RegChange::Kind kind, const QString &key, const QString &name) const
{
    RegChange change;
    change.kind = kind;
    change.path = hive::splitPath(key);
    change.name = name;
    return change;
}

bool RegistryStore::setValue(const QString &key, const QString &name, uint32_t type, const QByteArray &data)
{
    RegChange set = change(RegChange::Kind::SetValue, key, name);
    set.type = type;
    set.data = data;
    return m_cache->apply(std::move(set), m_wow64View);
}

bool RegistryStore::createKey(const QString &key)
{
    return m_cache->apply(change(RegChange::Kind::CreateKey, key), m_wow64View);
}

bool RegistryStore::deleteKey(const QString &key)
{
    return m_cache->apply(change(RegChange::Kind::DeleteKey, key), m_wow64View);
}

bool RegistryStore::deleteTree(const QString &key)
{
    return m_cache->apply(change(RegChange::Kind::DeleteTree, key), m_wow64View);
}

bool RegistryStore::deleteValue(const QString &key, const QString &name)
{
    return m_cache->apply(change(RegChange::Kind::DeleteValue, key, name), m_wow64View);
}

void RegistryStore::beginBatch() { m_cache->beginBatch(); }

void RegistryStore::endBatch() { m_cache->endBatch(); }

bool RegistryStore::isReadable() { return m_cache->usable(); }
