#pragma once

#include "core/runtime/CErrorUtil.h"
#include "core/settings/RegistryStore.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <array>
#include <cstdint>
#include <memory>

// Predefined root keys, with the registry's own handle values.
using HKEY = uint32_t;
constexpr HKEY HKEY_CLASSES_ROOT = 0x80000000u;
constexpr HKEY HKEY_CURRENT_USER = 0x80000001u;
constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002u;
constexpr HKEY HKEY_USERS = 0x80000003u;

// Typed access to one value at a time. No status codes come back: a failed read yields its
// default and a failed write has no effect. Run-time errors inside an operation reach the
// caller with the operation's source tag, unless an inner tag is already there.
class CRegUtil {
public:
    // Uses the store at RegistryStore::defaultHivePath().
    CRegUtil();
    explicit CRegUtil(const QString &hivePath);
    ~CRegUtil();
    CRegUtil(const CRegUtil &) = delete;
    CRegUtil &operator=(const CRegUtil &) = delete;

    void CreateKey(HKEY root, const QString &path);
    void DeleteKey(HKEY root, const QString &path);
    void DeleteValue(HKEY root, const QString &path, const QString &name);

    QString GetSettingString(HKEY root, const QString &path, const QString &name, const QString &Default = QString());
    void SaveSettingString(HKEY root, const QString &path, const QString &name, const QString &data);
    int32_t GetSettingLong(HKEY root, const QString &path, const QString &name, int32_t Default = 0);
    void SaveSettingLong(HKEY root, const QString &path, const QString &name, int32_t data);
    // A byte array, or the number 0 when nothing was read and Default is no byte array.
    QVariant GetSettingByte(HKEY root, const QString &path, const QString &name, const QVariant &Default = QVariant());
    void SaveSettingByte(HKEY root, const QString &path, const QString &name, const QVariant &data);

    QStringList GetAllKeys(HKEY root, const QString &path);
    // Row 0: value names; row 1: their type codes (32-bit integers).
    std::array<QVariantList, 2> GetAllValues(HKEY root, const QString &path);

    RegistryStore &store() { return *m_store; }

private:
    template <class Body> auto tagged(const char *tag, Body &&body) -> decltype(body());
    RegistryStore *storeFor(HKEY root);

    CErrorUtil m_errorUtil;
    std::unique_ptr<RegistryStore> m_store;
};
