#include "tools/skirmdeck-dir/ServerListFormat.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <array>

namespace {

std::array<QString, 4> Fields(const DbServerRow &row) { return {row.name, row.ip, row.port, row.mods}; }

// Control characters would break the line; the directory may hold entries from older clients.
QString OneLine(const QString &text)
{
    QString line = text;
    for (QChar &c : line)
        if (c.category() == QChar::Other_Control)
            c = QLatin1Char(' ');
    return line;
}

QString Text(const QList<DbServerRow> &rows)
{
    std::array<qsizetype, 4> widths{};
    for (const DbServerRow &row : rows) {
        const auto fields = Fields(row);
        for (size_t i = 0; i < fields.size(); ++i)
            widths[i] = std::max(widths[i], OneLine(fields[i]).size());
    }
    QString out;
    for (const DbServerRow &row : rows) {
        const auto fields = Fields(row);
        QString line;
        for (size_t i = 0; i < fields.size(); ++i)
            line += OneLine(fields[i]).leftJustified(widths[i] + 2);
        // The padding after the last column goes; blanks a name begins with stay.
        while (line.endsWith(QLatin1Char(' ')))
            line.chop(1);
        out += line + QLatin1Char('\n');
    }
    return out;
}

QString TsvField(const QString &text)
{
    QString field;
    for (QChar c : text) {
        switch (c.unicode()) {
        case '\\': field += QStringLiteral("\\\\"); break;
        case '\t': field += QStringLiteral("\\t"); break;
        case '\n': field += QStringLiteral("\\n"); break;
        case '\r': field += QStringLiteral("\\r"); break;
        default: field += c;
        }
    }
    return field;
}

QString Tsv(const QList<DbServerRow> &rows)
{
    QString out;
    for (const DbServerRow &row : rows) {
        QStringList fields;
        for (const QString &field : Fields(row))
            fields.append(TsvField(field));
        out += fields.join(QLatin1Char('\t')) + QLatin1Char('\n');
    }
    return out;
}

QString Json(const QList<DbServerRow> &rows)
{
    QStringList lines;
    for (const DbServerRow &row : rows) {
        const QJsonObject entry{{QStringLiteral("ServerName"), row.name},
                                {QStringLiteral("IPAddress"), row.ip},
                                {QStringLiteral("Port"), row.port},
                                {QStringLiteral("Mods"), row.mods}};
        lines.append(QString::fromUtf8(QJsonDocument(entry).toJson(QJsonDocument::Compact)));
    }
    if (lines.isEmpty())
        return QStringLiteral("[]\n");
    return QStringLiteral("[\n") + lines.join(QStringLiteral(",\n")) + QStringLiteral("\n]\n");
}

} // namespace

std::optional<ServerListFormat> ParseServerListFormat(const QString &name)
{
    if (name == QLatin1String("text"))
        return ServerListFormat::Text;
    if (name == QLatin1String("tsv"))
        return ServerListFormat::Tsv;
    if (name == QLatin1String("json"))
        return ServerListFormat::Json;
    return std::nullopt;
}

QString FormatServerList(const QList<DbServerRow> &rows, ServerListFormat format)
{
    switch (format) {
    case ServerListFormat::Text: return Text(rows);
    case ServerListFormat::Tsv: return Tsv(rows);
    case ServerListFormat::Json: return Json(rows);
    }
    return {};
}
