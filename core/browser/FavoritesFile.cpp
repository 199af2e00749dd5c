#include "core/browser/FavoritesFile.h"

#include "core/runtime/RuntimeError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

#include <utility>

namespace {

bool IsLineEnd(QChar c) { return c == QLatin1Char('\r') || c == QLatin1Char('\n'); }

// Reads fields one after another from a favourites text.
class FieldReader {
public:
    explicit FieldReader(const QString &text) : m_text(text) {}

    // The next field, or false at the end of the text.
    bool Next(QString &field)
    {
        // A comma always opens a field: one that ends at once (at a line end or the end of the
        // text) is empty, never the first field of the next line.
        SkipBlanks(m_afterComma);
        if (m_pos >= m_text.size() || IsLineEnd(m_text[m_pos])) {
            field.clear();
            return std::exchange(m_afterComma, false);
        }
        field = m_text[m_pos] == QLatin1Char('"') ? Quoted() : Unquoted();
        m_afterComma = m_pos < m_text.size() && m_text[m_pos] == QLatin1Char(',');
        if (m_afterComma)
            ++m_pos;
        return true;
    }

private:
    // Blanks before a field; line ends too where no comma opened a field (blank lines).
    void SkipBlanks(bool blanksOnly)
    {
        while (m_pos < m_text.size() &&
               (m_text[m_pos] == QLatin1Char(' ') || (!blanksOnly && IsLineEnd(m_text[m_pos]))))
            ++m_pos;
    }

    QString Quoted()
    {
        QString field;
        ++m_pos;
        while (m_pos < m_text.size()) {
            const QChar c = m_text[m_pos++];
            if (c != QLatin1Char('"')) {
                field += c;
            } else if (m_pos < m_text.size() && m_text[m_pos] == QLatin1Char('"')) {
                field += c;
                ++m_pos;
            } else {
                break;
            }
        }
        // Anything between the closing quote and the delimiter is not part of the field.
        while (m_pos < m_text.size() && m_text[m_pos] != QLatin1Char(',') && !IsLineEnd(m_text[m_pos]))
            ++m_pos;
        return field;
    }

    // Runs to the next comma or line end, trailing blanks included.
    QString Unquoted()
    {
        const qsizetype start = m_pos;
        while (m_pos < m_text.size() && m_text[m_pos] != QLatin1Char(',') && !IsLineEnd(m_text[m_pos]))
            ++m_pos;
        return m_text.mid(start, m_pos - start);
    }

    const QString &m_text;
    qsizetype m_pos = 0;
    bool m_afterComma = false;
};

QByteArray Quoted(const QString &field)
{
    QString text = field;
    text.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return '"' + text.toUtf8() + '"';
}

[[noreturn]] void RaiseFileError(int32_t number) { throw RuntimeError(number); }

} // namespace

QString DecodeFavorites(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8(bytes);
    if (!utf8.hasError())
        return text;
    QStringDecoder windows("windows-1252");
    if (!windows.isValid())
        return QString::fromLatin1(bytes);
    return windows(bytes);
}

FavoritesContent ParseFavorites(const QString &text)
{
    FavoritesContent content;
    FieldReader reader(text);
    QString fields[4];
    int count = 0;
    while (reader.Next(fields[count])) {
        if (++count < 4)
            continue;
        content.records.append(ServerRow{fields[0], fields[1], fields[2], fields[3], false, QString()});
        count = 0;
    }
    content.endsInsideRecord = count != 0;
    return content;
}

QByteArray FormatFavorites(const QList<ServerRow> &rows)
{
    QByteArray out;
    for (const ServerRow &row : rows)
        out += Quoted(row.name) + ',' + Quoted(row.address) + ',' + Quoted(row.port) + ',' + Quoted(row.mods) + "\r\n";
    return out;
}

FavoritesFile::FavoritesFile(const QString &startDir, const QString &game)
    : m_game(game), m_path(QDir(startDir).filePath(game + QStringLiteral(".txt")))
{
}

FavoritesContent FavoritesFile::Read() const
{
    QFile file(m_path);
    if (!file.exists())
        RaiseFileError(vberr::FileNotFound);
    if (!file.open(QIODevice::ReadOnly))
        RaiseFileError(vberr::PathFileAccessError);
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        RaiseFileError(vberr::DeviceIOError);
    return ParseFavorites(DecodeFavorites(bytes));
}

void FavoritesFile::Write(const QList<ServerRow> &rows) const
{
    if (!QFileInfo(m_path).dir().exists())
        RaiseFileError(vberr::PathNotFound);
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly))
        RaiseFileError(vberr::PermissionDenied);
    const QByteArray bytes = FormatFavorites(rows);
    if (file.write(bytes) != bytes.size())
        RaiseFileError(vberr::DeviceIOError);
    if (!file.commit())
        RaiseFileError(vberr::DeviceIOError);
}
