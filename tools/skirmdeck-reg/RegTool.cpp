#include "tools/skirmdeck-reg/RegTool.h"

#include "core/settings/RegistryStore.h"

#include <QtEndian>

#include <cctype>
#include <optional>

namespace {

const QString kRootName = QStringLiteral("HKEY_LOCAL_MACHINE");

struct TypeName {
    uint32_t type;
    const char *name;
};

const TypeName kTypeNames[] = {
    {REG_NONE, "REG_NONE"},
    {REG_SZ, "REG_SZ"},
    {REG_EXPAND_SZ, "REG_EXPAND_SZ"},
    {REG_BINARY, "REG_BINARY"},
    {REG_DWORD, "REG_DWORD"},
    {5, "REG_DWORD_BIG_ENDIAN"},
    {6, "REG_LINK"},
    {REG_MULTI_SZ, "REG_MULTI_SZ"},
    {8, "REG_RESOURCE_LIST"},
    {9, "REG_FULL_RESOURCE_DESCRIPTOR"},
    {10, "REG_RESOURCE_REQUIREMENTS_LIST"},
    {REG_QWORD, "REG_QWORD"},
};

// The types add accepts.
const uint32_t kWritableTypes[] = {REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ, REG_DWORD, REG_QWORD, REG_BINARY, REG_NONE};

QString typeName(uint32_t type)
{
    for (const TypeName &entry : kTypeNames) {
        if (entry.type == type)
            return QString::fromLatin1(entry.name);
    }
    return QStringLiteral("0x%1").arg(type, 0, 16);
}

std::optional<uint32_t> writableType(const QString &name)
{
    for (uint32_t type : kWritableTypes) {
        if (typeName(type).compare(name, Qt::CaseInsensitive) == 0)
            return type;
    }
    return std::nullopt;
}

QString decodeUnits(const QByteArray &data)
{
    QString text;
    text.reserve(data.size() / 2);
    for (qsizetype i = 0; i + 1 < data.size(); i += 2)
        text.append(QChar(qFromLittleEndian<quint16>(data.constData() + i)));
    return text;
}

QByteArray encodeUnits(const QString &text)
{
    QByteArray data(text.size() * 2, '\0');
    for (qsizetype i = 0; i < text.size(); ++i)
        qToLittleEndian<quint16>(text[i].unicode(), data.data() + 2 * i);
    return data;
}

QString formatData(const RegValue &value)
{
    switch (value.type) {
    case REG_SZ:
    case REG_EXPAND_SZ: {
        const QString text = decodeUnits(value.data);
        const qsizetype nul = text.indexOf(QChar(0));
        return nul < 0 ? text : text.left(nul);
    }
    case REG_MULTI_SZ: {
        QStringList parts = decodeUnits(value.data).split(QChar(0));
        while (!parts.isEmpty() && parts.last().isEmpty())
            parts.removeLast();
        return parts.join(QStringLiteral("\\0"));
    }
    case REG_DWORD:
        if (value.data.size() == 4)
            return QStringLiteral("0x") + QString::number(qFromLittleEndian<quint32>(value.data.constData()), 16);
        break;
    case REG_QWORD:
        if (value.data.size() == 8)
            return QStringLiteral("0x") + QString::number(qFromLittleEndian<quint64>(value.data.constData()), 16);
        break;
    default: break;
    }
    return QString::fromLatin1(value.data.toHex().toUpper());
}

QString valueLine(const RegValue &value)
{
    const QString name = value.name.isEmpty() ? QStringLiteral("(Default)") : value.name;
    return QStringLiteral("    ") + name + QStringLiteral("    ") + typeName(value.type) + QStringLiteral("    ") +
           formatData(value) + QLatin1Char('\n');
}

// Decimal, or hexadecimal after 0x; no sign; within the type's range.
std::optional<quint64> parseNumber(const QString &text, quint64 max)
{
    bool ok = false;
    quint64 number = 0;
    if (text.isEmpty())
        return 0;
    if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        number = text.mid(2).toULongLong(&ok, 16);
    else if (text[0].isDigit())
        number = text.toULongLong(&ok, 10);
    if (!ok || number > max)
        return std::nullopt;
    return number;
}

std::optional<QByteArray> parseBinary(QString text)
{
    if (text.size() % 2)
        text.prepend(QLatin1Char('0'));
    for (QChar c : text) {
        if (c.unicode() > 127 || !isxdigit(c.unicode()))
            return std::nullopt;
    }
    return QByteArray::fromHex(text.toLatin1());
}

std::optional<QByteArray> parseMultiString(const QString &text, const QString &separator)
{
    QByteArray data;
    if (!text.isEmpty()) {
        for (const QString &part : text.split(separator)) {
            if (part.isEmpty())
                return std::nullopt;
            data += encodeUnits(part + QChar(0));
        }
    }
    return data + QByteArray(2, '\0');
}

} // namespace

struct RegTool::Options {
    QString command;
    QString path;  // below HKEY_LOCAL_MACHINE, as typed
    QString shown; // the full key name for output
    std::optional<QString> valueName;
    bool allValues = false;
    bool recurse = false;
    bool force = false;
    std::optional<QString> type;
    std::optional<QString> data;
    QString separator = QStringLiteral("\\0");
    bool view64 = false;
};

RegTool::RegTool(QString hivePath) : m_hivePath(std::move(hivePath)) {}

QString RegTool::usage() { return QStringLiteral("Usage:\n") + commands(); }

QString RegTool::commands()
{
    return QStringLiteral(
        "  skirmdeck-reg query KEY [/v NAME | /ve] [/s] [/reg:32 | /reg:64]\n"
        "  skirmdeck-reg add KEY [/v NAME | /ve] [/t TYPE] [/s SEPARATOR] [/d DATA] [/f] [/reg:32 | /reg:64]\n"
        "  skirmdeck-reg delete KEY [/v NAME | /ve | /va] [/f] [/reg:32 | /reg:64]\n"
        "\n"
        "KEY is HKLM\\path or HKEY_LOCAL_MACHINE\\path. TYPE is one of REG_SZ (the default),\n"
        "REG_EXPAND_SZ, REG_MULTI_SZ (parts separated by \\0 or the /s separator), REG_DWORD and\n"
        "REG_QWORD (decimal, or hexadecimal after 0x), REG_BINARY (hex digits, e.g. 0a0b0c), REG_NONE.\n"
        "Without /v or /ve, add sets the default value of the key (to \"\" when /d is not given).\n"
        "/reg:32 (the default) sees the keys as the 32-bit games do; /reg:64 takes paths as written.\n"
        "There is no confirmation prompt: add replaces an existing value and delete removes at once,\n"
        "with or without /f.\n"
        "The settings file is the first of: --registry FILE, $SKIRMDECK_REGISTRY, --prefix DIR\n"
        "(DIR/system.reg), $WINEPREFIX/system.reg, ~/.wine/system.reg, and system.reg in the\n"
        "program's data folder. The options come before the command.\n");
}

int RegTool::fail(const QString &message)
{
    m_err += message + QLatin1Char('\n');
    return 1;
}

namespace {

// "HKLM\path" or "HKEY_LOCAL_MACHINE\path"; the path part, or nullopt for any other root.
std::optional<QString> keyPath(const QString &key)
{
    QString text = key;
    while (text.endsWith(QLatin1Char('\\')))
        text.chop(1);
    const qsizetype slash = text.indexOf(QLatin1Char('\\'));
    const QString root = slash < 0 ? text : text.left(slash);
    if (root.compare(QLatin1String("HKLM"), Qt::CaseInsensitive) != 0 &&
        root.compare(kRootName, Qt::CaseInsensitive) != 0)
        return std::nullopt;
    return slash < 0 ? QString() : text.mid(slash + 1);
}

bool takesArgument(const QString &sw, const QString &command)
{
    return sw == QLatin1String("/v") || sw == QLatin1String("/t") || sw == QLatin1String("/d") ||
           (sw == QLatin1String("/s") && command == QLatin1String("add"));
}

} // namespace

int RegTool::run(const QStringList &args)
{
    if (args.isEmpty())
        return fail(QStringLiteral("reg: Invalid syntax.\n") + usage());
    const QString first = args[0].toLower();
    if (first == QLatin1String("/?") || first == QLatin1String("-?") || first == QLatin1String("--help") ||
        first == QLatin1String("-h")) {
        m_out += usage();
        return 0;
    }
    Options options;
    options.command = first;
    if (first != QLatin1String("query") && first != QLatin1String("add") && first != QLatin1String("delete"))
        return fail(QStringLiteral("reg: Invalid command: %1\n").arg(args[0]) + usage());
    if (args.size() < 2)
        return fail(QStringLiteral("reg: Invalid syntax: a key is needed.\n") + usage());
    const auto path = keyPath(args[1]);
    if (!path)
        return fail(
            QStringLiteral("reg: Invalid key name: %1 (only HKLM\\... or HKEY_LOCAL_MACHINE\\...)").arg(args[1]));
    options.path = *path;
    options.shown = path->isEmpty() ? kRootName : kRootName + QLatin1Char('\\') + *path;

    for (qsizetype i = 2; i < args.size(); ++i) {
        QString sw = args[i].toLower();
        if (sw.startsWith(QLatin1Char('-')))
            sw[0] = QLatin1Char('/');
        if (takesArgument(sw, first)) {
            if (i + 1 >= args.size())
                return fail(QStringLiteral("reg: Invalid syntax: %1 needs an argument").arg(args[i]));
            const QString arg = args[++i];
            if (sw == QLatin1String("/v")) {
                if (options.valueName || options.allValues)
                    return fail(QStringLiteral("reg: Invalid syntax: give only one of /v, /ve and /va"));
                options.valueName = arg;
            } else if (sw == QLatin1String("/t")) {
                options.type = arg;
            } else if (sw == QLatin1String("/d")) {
                options.data = arg;
            } else {
                options.separator = arg;
            }
        } else if (sw == QLatin1String("/ve") || sw == QLatin1String("/va")) {
            if (options.valueName || options.allValues)
                return fail(QStringLiteral("reg: Invalid syntax: give only one of /v, /ve and /va"));
            if (sw == QLatin1String("/va") && first != QLatin1String("delete"))
                return fail(QStringLiteral("reg: Invalid syntax: /va is for delete"));
            if (sw == QLatin1String("/ve"))
                options.valueName = QString();
            else
                options.allValues = true;
        } else if (sw == QLatin1String("/s") && first == QLatin1String("query")) {
            options.recurse = true;
        } else if (sw == QLatin1String("/f")) {
            options.force = true;
        } else if (sw == QLatin1String("/reg:32") || sw == QLatin1String("/reg:64")) {
            options.view64 = sw == QLatin1String("/reg:64");
        } else {
            return fail(QStringLiteral("reg: Invalid syntax: unknown option %1").arg(args[i]));
        }
    }

    RegistryStore store(m_hivePath);
    store.setWow64View(!options.view64);
    if (!store.isReadable())
        return fail(QStringLiteral("reg: The settings file %1 cannot be read").arg(m_hivePath));
    if (first == QLatin1String("query"))
        return query(store, options);
    if (first == QLatin1String("add"))
        return add(store, options);
    return remove(store, options);
}

bool RegTool::queryKey(RegistryStore &store, const QString &path, const QString &shown, const Options &options)
{
    bool found = false;
    QString text = QStringLiteral("\n") + shown + QLatin1Char('\n');
    for (const RegValue &value : store.values(path)) {
        if (options.valueName && value.name.compare(*options.valueName, Qt::CaseInsensitive) != 0)
            continue;
        text += valueLine(value);
        found = true;
    }
    const QStringList subKeys = store.subKeyNames(path);
    if (!options.valueName || found)
        m_out += text;
    if (!options.recurse) {
        if (!options.valueName && !subKeys.isEmpty()) {
            m_out += QLatin1Char('\n');
            for (const QString &sub : subKeys)
                m_out += shown + QLatin1Char('\\') + sub + QLatin1Char('\n');
        }
        return found;
    }
    for (const QString &sub : subKeys) {
        const QString subPath = path.isEmpty() ? sub : path + QLatin1Char('\\') + sub;
        found = queryKey(store, subPath, shown + QLatin1Char('\\') + sub, options) || found;
    }
    return found;
}

int RegTool::query(RegistryStore &store, const Options &options)
{
    if (!options.path.isEmpty() && !store.keyExists(options.path))
        return fail(QStringLiteral("reg: Unable to find the specified registry key"));
    const bool found = queryKey(store, options.path, options.shown, options);
    if (options.valueName && !found)
        return fail(QStringLiteral("reg: Unable to find the specified registry value"));
    return 0;
}

int RegTool::add(RegistryStore &store, const Options &options)
{
    if (options.path.isEmpty())
        return fail(QStringLiteral("reg: Invalid key name: a key below HKEY_LOCAL_MACHINE is needed"));
    const QString typeText = options.type.value_or(QStringLiteral("REG_SZ"));
    const auto type = writableType(typeText);
    if (!type)
        return fail(QStringLiteral("reg: Unsupported registry data type [%1]").arg(typeText));
    const QString data = options.data.value_or(QString());
    std::optional<QByteArray> bytes;
    switch (*type) {
    case REG_DWORD:
    case REG_QWORD: {
        const auto number = parseNumber(data, *type == REG_DWORD ? 0xffffffffull : ~0ull);
        if (!number)
            return fail(
                QStringLiteral("reg: Invalid number [%1]: give a decimal number or 0x and hex digits").arg(data));
        bytes = QByteArray(*type == REG_DWORD ? 4 : 8, '\0');
        if (*type == REG_DWORD)
            qToLittleEndian<quint32>(static_cast<quint32>(*number), bytes->data());
        else
            qToLittleEndian<quint64>(*number, bytes->data());
        break;
    }
    case REG_BINARY:
        bytes = parseBinary(data);
        if (!bytes)
            return fail(QStringLiteral("reg: Invalid binary data [%1]: give hex digits").arg(data));
        break;
    case REG_MULTI_SZ:
        bytes = parseMultiString(data, options.separator);
        if (!bytes)
            return fail(QStringLiteral("reg: Invalid REG_MULTI_SZ data: empty parts are not allowed"));
        break;
    default:
        // Strings as Windows stores them: UTF-16LE with the terminating NUL.
        bytes = encodeUnits(data + QChar(0));
    }
    if (!store.setValue(options.path, options.valueName.value_or(QString()), *type, *bytes))
        return fail(QStringLiteral("reg: The settings file %1 could not be written").arg(store.hivePath()));
    m_out += QStringLiteral("The operation completed successfully.\n");
    return 0;
}

int RegTool::remove(RegistryStore &store, const Options &options)
{
    if (options.path.isEmpty())
        return fail(QStringLiteral("reg: Invalid key name: a key below HKEY_LOCAL_MACHINE is needed"));
    if (!store.keyExists(options.path))
        return fail(QStringLiteral("reg: Unable to find the specified registry key"));
    bool ok = true;
    if (options.valueName) {
        if (!store.value(options.path, *options.valueName))
            return fail(QStringLiteral("reg: Unable to find the specified registry value"));
        ok = store.deleteValue(options.path, *options.valueName);
    } else if (options.allValues) {
        for (const RegValue &value : store.values(options.path))
            ok = store.deleteValue(options.path, value.name) && ok;
    } else {
        ok = store.deleteTree(options.path);
    }
    if (!ok)
        return fail(QStringLiteral("reg: The settings file %1 could not be written").arg(store.hivePath()));
    m_out += QStringLiteral("The operation completed successfully.\n");
    return 0;
}
