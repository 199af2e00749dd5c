#include "tests/gui/options/ServerHive.h"

#include "core/state/AppState.h"

namespace {

// The key of a game's own settings.
QString GameKey(const QString &game) { return IsRSFamily(game) ? kRSRegistry : kRB6Registry; }

// A value as the program reads it back, tagged with its stored type.
QString Describe(CRegUtil &reg, const QString &key, const QString &name, int32_t type)
{
    if (type == REG_DWORD)
        return QStringLiteral("dword:") + QString::number(reg.GetSettingLong(HKEY_LOCAL_MACHINE, key, name));
    return (type == REG_SZ ? QStringLiteral("sz:") : QStringLiteral("type%1:").arg(type)) +
           reg.GetSettingString(HKEY_LOCAL_MACHINE, key, name);
}

// A hive holding the given keys (as the program names them) and value lines: 32-bit, or a 64-bit
// one with the keys where Wine puts a 32-bit program's.
QByteArray BuildHive(const QList<std::pair<QString, QStringList>> &keys, bool win64)
{
    QString text = QString::fromLatin1(HiveHeader(win64));
    for (const auto &[key, lines] : keys) {
        QString name = win64 ? QString(key).replace("SOFTWARE\\", "Software\\Wow6432Node\\") : key;
        text += QStringLiteral("\n[%1] 1735689600\n%2\n").arg(name.replace("\\", "\\\\"), lines.join('\n'));
    }
    return text.toUtf8();
}

} // namespace

QString Sz(const QString &name, const QString &text) { return QStringLiteral("\"%1\"=\"%2\"").arg(name, text); }

QString Dword(const QString &name, int32_t number)
{
    return QStringLiteral("\"%1\"=dword:%2").arg(name).arg(static_cast<uint32_t>(number), 8, 16, QLatin1Char('0'));
}

QMap<QString, QString> HiveSnapshot(const QString &hivePath, const QString &game)
{
    CRegUtil reg(hivePath);
    QMap<QString, QString> snapshot;
    for (const QString &key : {kRedStormKey, kRSRegistry, kRB6Registry}) {
        const QString prefix = key == kRedStormKey    ? QStringLiteral("~")
                               : key == GameKey(game) ? QString()
                                                      : key.section(QLatin1Char('\\'), -1) + QLatin1Char('\\');
        const auto values = reg.GetAllValues(HKEY_LOCAL_MACHINE, key);
        for (qsizetype i = 0; i < values[0].size(); ++i) {
            const QString name = values[0][i].toString();
            snapshot.insert(prefix + name, Describe(reg, key, name, values[1][i].toInt()));
        }
    }
    return snapshot;
}

QStringList OptionsDesk::changes() const
{
    const QMap<QString, QString> after = HiveSnapshot(hive.path(), game);
    QStringList changes;
    for (auto it = after.cbegin(); it != after.cend(); ++it)
        if (before.value(it.key()) != it.value())
            changes << it.key() + QLatin1Char('=') + it.value();
    for (auto it = before.cbegin(); it != before.cend(); ++it)
        if (!after.contains(it.key()))
            changes << it.key() + QStringLiteral("=<deleted>");
    changes.sort();
    return changes;
}

OptionsDesk::OptionsDesk(const QString &current, const QStringList &gameLines, const QStringList &ownLines, bool win64)
    : game(current), hive(BuildHive({{kRedStormKey, ownLines}, {GameKey(current), gameLines}}, win64)),
      before(HiveSnapshot(hive.path(), current))
{
    ReleaseRegUtil();
    gGameType = game;
    gRegistry = GameKey(game);
}

OptionsDesk::~OptionsDesk() { ReleaseRegUtil(); }
