#include "core/settings/CRegUtil.h"

#include <QtEndian>

#include <exception>

namespace {

// Strings are kept as the registry keeps them: UTF-16LE with a terminating NUL, so a game
// reading the value never runs past its end.
QByteArray encodeString(const QString &text)
{
    QByteArray bytes(static_cast<qsizetype>((text.size() + 1) * 2), '\0');
    for (qsizetype i = 0; i < text.size(); ++i)
        qToLittleEndian<quint16>(text[i].unicode(), bytes.data() + 2 * i);
    return bytes;
}

// Reads up to the first NUL; strings stored without one are taken whole.
QString decodeString(const QByteArray &bytes)
{
    QString text;
    text.reserve(bytes.size() / 2);
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2) {
        const auto unit = qFromLittleEndian<quint16>(bytes.constData() + i);
        if (unit == 0)
            break;
        text.append(QChar(unit));
    }
    return text;
}

} // namespace

CRegUtil::CRegUtil() : CRegUtil(RegistryStore::defaultHivePath()) {}

CRegUtil::CRegUtil(const QString &hivePath) : m_store(std::make_unique<RegistryStore>(hivePath)) {}

CRegUtil::~CRegUtil() = default;

template <class Body> auto CRegUtil::tagged(const char *tag, Body &&body) -> decltype(body())
{
    try {
        return body();
    } catch (...) {
        RuntimeError error = currentError(std::current_exception());
        if (!m_errorUtil.ErrSourceExists(error.source()))
            error.setSource(QString::fromLatin1(tag));
        throw error;
    }
}

RegistryStore *CRegUtil::storeFor(HKEY root)
{
    // Only HKEY_LOCAL_MACHINE is kept; any other root behaves as a key that cannot be opened.
    return root == HKEY_LOCAL_MACHINE ? m_store.get() : nullptr;
}

void CRegUtil::CreateKey(HKEY root, const QString &path)
{
    tagged("[CRegUtil.CreateKey]", [&] {
        if (auto *store = storeFor(root))
            store->createKey(path);
    });
}

void CRegUtil::DeleteKey(HKEY root, const QString &path)
{
    tagged("[CRegUtil.DeleteKey]", [&] {
        if (auto *store = storeFor(root))
            store->deleteKey(path);
    });
}

void CRegUtil::DeleteValue(HKEY root, const QString &path, const QString &name)
{
    tagged("[CRegUtil.DeleteValue]", [&] {
        if (auto *store = storeFor(root))
            store->deleteValue(path, name);
    });
}

QString CRegUtil::GetSettingString(HKEY root, const QString &path, const QString &name, const QString &Default)
{
    return tagged("[CRegUtil.GetSettingString]", [&]() -> QString {
        auto *store = storeFor(root);
        const auto value = store ? store->value(path, name) : std::nullopt;
        if (!value || value->type != REG_SZ)
            return Default.isNull() ? QString(QLatin1String("")) : Default;
        return decodeString(value->data);
    });
}

void CRegUtil::SaveSettingString(HKEY root, const QString &path, const QString &name, const QString &data)
{
    tagged("[CRegUtil.SaveSettingString]", [&] {
        if (auto *store = storeFor(root))
            store->setValue(path, name, REG_SZ, encodeString(data));
    });
}

int32_t CRegUtil::GetSettingLong(HKEY root, const QString &path, const QString &name, int32_t Default)
{
    return tagged("[CRegutil.GetSettingLong]", [&]() -> int32_t {
        auto *store = storeFor(root);
        const auto value = store ? store->value(path, name) : std::nullopt;
        // The read uses a 4-byte buffer: a longer value does not fit and leaves the default.
        if (!value || value->type != REG_DWORD || value->data.size() > 4)
            return Default;
        QByteArray bytes = value->data;
        bytes.append(4 - bytes.size(), '\0');
        return qFromLittleEndian<qint32>(bytes.constData());
    });
}

void CRegUtil::SaveSettingLong(HKEY root, const QString &path, const QString &name, int32_t data)
{
    tagged("[CRegUtil.SaveSettingLong]", [&] {
        QByteArray bytes(4, '\0');
        qToLittleEndian<qint32>(data, bytes.data());
        if (auto *store = storeFor(root))
            store->setValue(path, name, REG_DWORD, bytes);
    });
}

QVariant CRegUtil::GetSettingByte(HKEY root, const QString &path, const QString &name, const QVariant &Default)
{
    return tagged("[CRegUtil.GetSettingByte]", [&]() -> QVariant {
        QVariant result = Default.typeId() == QMetaType::QByteArray ? Default : QVariant(0);
        auto *store = storeFor(root);
        const auto value = store ? store->value(path, name) : std::nullopt;
        if (value && value->type == REG_BINARY)
            result = value->data;
        return result;
    });
}

void CRegUtil::SaveSettingByte(HKEY root, const QString &path, const QString &name, const QVariant &data)
{
    tagged("[CRegUtil.SaveSettingByte]", [&] {
        // Only a byte array holding index 0 can be written; an empty one has no index 0.
        if (data.typeId() != QMetaType::QByteArray || data.toByteArray().isEmpty())
            throw RuntimeError(vberr::SubscriptOutOfRange);
        if (auto *store = storeFor(root))
            store->setValue(path, name, REG_BINARY, data.toByteArray());
    });
}

QStringList CRegUtil::GetAllKeys(HKEY root, const QString &path)
{
    return tagged("[CRegUtil.GetAllKeysErr]", [&]() -> QStringList {
        auto *store = storeFor(root);
        return store ? store->subKeyNames(path) : QStringList();
    });
}

std::array<QVariantList, 2> CRegUtil::GetAllValues(HKEY root, const QString &path)
{
    return tagged("[CRegUtil.GetAllValuesErr]", [&]() -> std::array<QVariantList, 2> {
        std::array<QVariantList, 2> table;
        auto *store = storeFor(root);
        if (!store)
            return table;
        for (const RegValue &value : store->values(path)) {
            table[0].append(value.name);
            table[1].append(static_cast<int32_t>(value.type));
        }
        return table;
    });
}
