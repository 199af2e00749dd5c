#include "core/settings/RegImportFile.h"

#include "core/settings/RegistryStore.h"

#include <QtEndian>

namespace {

QString keyLine(const RegChange &change, bool remove)
{
    return QStringLiteral("\r\n[%1HKEY_LOCAL_MACHINE\\%2]\r\n")
        .arg(remove ? QStringLiteral("-") : QString(), change.path.join(QLatin1Char('\\')));
}

QString quotedName(const QString &name)
{
    if (name.isEmpty())
        return QStringLiteral("@");
    QString escaped = name;
    escaped.replace(QLatin1Char('\\'), QLatin1String("\\\\")).replace(QLatin1Char('"'), QLatin1String("\\\""));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

QString dataText(const RegChange &change)
{
    if (change.type == REG_DWORD && change.data.size() == 4)
        return QStringLiteral("dword:%1")
            .arg(qFromLittleEndian<quint32>(change.data.constData()), 8, 16, QLatin1Char('0'));
    const QString tag = change.type == REG_BINARY ? QStringLiteral("hex:")
                                                  : QStringLiteral("hex(%1):").arg(change.type, 0, 16);
    return tag + QString::fromLatin1(change.data.toHex(','));
}

QString valueLine(const RegChange &change)
{
    const QString data = change.kind == RegChange::Kind::DeleteValue ? QStringLiteral("-") : dataText(change);
    return quotedName(change.name) + QLatin1Char('=') + data + QStringLiteral("\r\n");
}

QByteArray utf16le(const QString &text)
{
    QByteArray bytes(2 * (text.size() + 1), '\0');
    qToLittleEndian<quint16>(0xfeff, bytes.data());
    for (qsizetype i = 0; i < text.size(); ++i)
        qToLittleEndian<quint16>(text[i].unicode(), bytes.data() + 2 * (i + 1));
    return bytes;
}

} // namespace

QByteArray RegImportText(const QList<RegChange> &changes)
{
    QString text = QStringLiteral("Windows Registry Editor Version 5.00\r\n");
    const QStringList *section = nullptr;
    for (const RegChange &change : changes) {
        using Kind = RegChange::Kind;
        if (change.kind == Kind::DeleteKey || change.kind == Kind::DeleteTree) {
            text += keyLine(change, true);
            section = nullptr;
            continue;
        }
        if (!section || *section != change.path) {
            text += keyLine(change, false);
            section = &change.path;
        }
        if (change.kind != Kind::CreateKey)
            text += valueLine(change);
    }
    return utf16le(text + QStringLiteral("\r\n"));
}
