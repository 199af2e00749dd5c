#pragma once

#include "core/settings/RegChange.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <optional>

// Registry value types, with the registry's own numbers.
enum RegType : uint32_t {
    REG_NONE = 0,
    REG_SZ = 1,
    REG_EXPAND_SZ = 2,
    REG_BINARY = 3,
    REG_DWORD = 4,
    REG_MULTI_SZ = 7,
    REG_QWORD = 11,
};

// One value as the registry keeps it: raw bytes (string types as UTF-16LE with their NULs).
struct RegValue {
    QString name;
    uint32_t type = REG_NONE;
    QByteArray data;
};

class HiveFileCache;

// The settings store: HKEY_LOCAL_MACHINE kept in a hive file in Wine's registry text format.
//
// Key paths are relative to HKEY_LOCAL_MACHINE, separated by backslashes, matched without
// regard to case. When the hive says "#arch=win64" the store takes the 32-bit view the games
// have: a path below "SOFTWARE\" lives below "Software\Wow6432Node\".
//
// Reads see changes made by other processes; an unchanged file is not parsed again. Each write
// takes a lock beside the file, re-reads it when it changed, applies its one change and replaces
// the file atomically (a batch: all its changes at once). A file that cannot be parsed is never
// written; reads then find nothing. A file in a Wine prefix whose wineserver runs gets the same
// change handed to that server too (WineHandoff.h).
class RegistryStore {
public:
    explicit RegistryStore(QString hivePath);
    ~RegistryStore();
    RegistryStore(const RegistryStore &) = delete;
    RegistryStore &operator=(const RegistryStore &) = delete;

    // The settings file this process uses (see SettingsLocation.h).
    static QString defaultHivePath();

    const QString &hivePath() const { return m_hivePath; }

    // false turns the 32-bit view off (paths are taken as written), for tools.
    void setWow64View(bool on) { m_wow64View = on; }

    bool keyExists(const QString &key);
    std::optional<RegValue> value(const QString &key, const QString &name);
    QStringList subKeyNames(const QString &key);
    QList<RegValue> values(const QString &key);

    bool setValue(const QString &key, const QString &name, uint32_t type, const QByteArray &data);
    bool createKey(const QString &key);
    // Fails when the key has sub-keys, as the registry's own delete does.
    bool deleteKey(const QString &key);
    // Removes the key with everything below it.
    bool deleteTree(const QString &key);
    bool deleteValue(const QString &key, const QString &name);

    // Writes between these are kept in memory and written with one replacement of the file
    // when the outermost batch ends; RegWriteScope pairs them.
    void beginBatch();
    void endBatch();

    // false when the file exists but cannot be parsed (a warning has gone to standard error).
    bool isReadable();

private:
    RegChange change(RegChange::Kind kind, const QString &key, const QString &name = QString()) const;

    QString m_hivePath;
    bool m_wow64View = true;
    std::unique_ptr<HiveFileCache> m_cache;
};
