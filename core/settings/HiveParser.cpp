#include "core/settings/HiveFile.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <string>

// Reading Wine's registry text: the escapes and value forms Wine accepts, line by line.
namespace hive {

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

QByteArray bytesOf(const std::u16string &units)
{
    QByteArray data(static_cast<qsizetype>(units.size() * 2), '\0');
    for (size_t i = 0; i < units.size(); ++i)
        qToLittleEndian<quint16>(units[i], data.data() + 2 * i);
    return data;
}

// Decodes one UTF-8 sequence at text[pos]; a byte that starts no valid sequence is taken as
// Latin-1 so that a hand-edited file in an old code page still loads.
char32_t decodeUtf8(QByteArrayView text, qsizetype &pos)
{
    const auto lead = static_cast<unsigned char>(text[pos]);
    int extra = 0;
    char32_t cp = lead;
    if (lead >= 0xc2 && lead <= 0xdf) {
        extra = 1;
        cp = lead & 0x1f;
    } else if (lead >= 0xe0 && lead <= 0xef) {
        extra = 2;
        cp = lead & 0x0f;
    } else if (lead >= 0xf0 && lead <= 0xf4) {
        extra = 3;
        cp = lead & 0x07;
    }
    if (extra == 0 || pos + extra >= text.size()) {
        ++pos;
        return lead;
    }
    char32_t value = cp;
    for (int k = 1; k <= extra; ++k) {
        const auto next = static_cast<unsigned char>(text[pos + k]);
        if ((next & 0xc0) != 0x80) {
            ++pos;
            return lead;
        }
        value = (value << 6) | (next & 0x3f);
    }
    const char32_t minimum = extra == 1 ? 0x80 : extra == 2 ? 0x800 : 0x10000;
    if (value < minimum || value > 0x10ffff || (value >= 0xd800 && value <= 0xdfff)) {
        ++pos;
        return lead;
    }
    pos += extra + 1;
    return value;
}

void appendCodePoint(std::u16string &out, char32_t cp)
{
    if (cp >= 0x10000) {
        cp -= 0x10000;
        out.push_back(static_cast<char16_t>(0xd800 + (cp >> 10)));
        out.push_back(static_cast<char16_t>(0xdc00 + (cp & 0x3ff)));
    } else {
        out.push_back(static_cast<char16_t>(cp));
    }
}

// Wine's parse_strW: reads up to the unescaped delimiter at or after pos; pos ends after it.
bool parseString(QByteArrayView line, qsizetype &pos, char delim, std::u16string &out)
{
    const qsizetype n = line.size();
    while (pos < n) {
        const char c = line[pos];
        if (c == delim) {
            ++pos;
            return true;
        }
        if (c != '\\') {
            if (static_cast<unsigned char>(c) < 0x80) {
                out.push_back(static_cast<char16_t>(c));
                ++pos;
            } else {
                appendCodePoint(out, decodeUtf8(line, pos));
            }
            continue;
        }
        if (++pos >= n)
            return false;
        const char e = line[pos++];
        switch (e) {
        case 'a': out.push_back(7); break;
        case 'b': out.push_back(8); break;
        case 'e': out.push_back(27); break;
        case 'f': out.push_back(12); break;
        case 'n': out.push_back(10); break;
        case 'r': out.push_back(13); break;
        case 't': out.push_back(9); break;
        case 'v': out.push_back(11); break;
        case 'x': {
            unsigned value = 0;
            int digits = 0;
            while (digits < 4 && pos < n && hexValue(line[pos]) >= 0) {
                value = value * 16 + static_cast<unsigned>(hexValue(line[pos++]));
                ++digits;
            }
            out.push_back(digits == 0 ? u'x' : static_cast<char16_t>(value));
            break;
        }
        case '0':
        case '1':
        case '2':
        case '3':
        case '4':
        case '5':
        case '6':
        case '7': {
            unsigned value = static_cast<unsigned>(e - '0');
            for (int digits = 1; digits < 3 && pos < n && line[pos] >= '0' && line[pos] <= '7'; ++digits)
                value = value * 8 + static_cast<unsigned>(line[pos++] - '0');
            out.push_back(static_cast<char16_t>(value));
            break;
        }
        default:
            if (static_cast<unsigned char>(e) < 0x80) {
                out.push_back(static_cast<char16_t>(e));
            } else {
                --pos;
                appendCodePoint(out, decodeUtf8(line, pos));
            }
        }
    }
    return false;
}

void skipSpaces(QByteArrayView line, qsizetype &pos)
{
    while (pos < line.size() && isSpace(line[pos]))
        ++pos;
}

bool startsWithAt(QByteArrayView line, qsizetype pos, const char *prefix)
{
    const auto len = static_cast<qsizetype>(std::strlen(prefix));
    return line.size() - pos >= len && std::memcmp(line.data() + pos, prefix, static_cast<size_t>(len)) == 0;
}

bool parseHexNumber(QByteArrayView line, qsizetype &pos, uint64_t &value)
{
    skipSpaces(line, pos);
    if (startsWithAt(line, pos, "0x") || startsWithAt(line, pos, "0X"))
        pos += 2;
    value = 0;
    int digits = 0;
    while (pos < line.size() && hexValue(line[pos]) >= 0) {
        value = value * 16 + static_cast<uint64_t>(hexValue(line[pos++]));
        ++digits;
    }
    return digits > 0;
}

class Reader {
public:
    explicit Reader(QByteArrayView text) : m_text(text) {}

    // The next line without its line ending; false at the end of the text.
    bool next(QByteArrayView &line)
    {
        if (m_pos >= m_text.size())
            return false;
        const char *start = m_text.data() + m_pos;
        const void *nl = std::memchr(start, '\n', static_cast<size_t>(m_text.size() - m_pos));
        qsizetype len = nl ? static_cast<const char *>(nl) - start : m_text.size() - m_pos;
        m_pos += len + (nl ? 1 : 0);
        if (len > 0 && start[len - 1] == '\r')
            --len;
        line = QByteArrayView(start, len);
        ++m_lineNo;
        return true;
    }

    qsizetype lineNo() const { return m_lineNo; }

private:
    QByteArrayView m_text;
    qsizetype m_pos = 0;
    qsizetype m_lineNo = 0;
};

// Hex bytes after "hex:" or "hex(N):", following trailing-backslash continuation lines.
bool parseHexData(Reader &reader, QByteArrayView line, qsizetype pos, QByteArray &data)
{
    for (;;) {
        skipSpaces(line, pos);
        if (pos >= line.size())
            return true;
        if (line[pos] == '\\') {
            ++pos;
            skipSpaces(line, pos);
            if (pos < line.size() || !reader.next(line))
                return false;
            pos = 0;
            continue;
        }
        const int hi = hexValue(line[pos]);
        if (hi < 0)
            return false;
        int byte = hi;
        ++pos;
        if (pos < line.size() && hexValue(line[pos]) >= 0)
            byte = byte * 16 + hexValue(line[pos++]);
        data.append(static_cast<char>(byte));
        skipSpaces(line, pos);
        if (pos < line.size() && line[pos] == ',')
            ++pos;
        else if (pos < line.size() && line[pos] != '\\')
            return false;
    }
}

struct StringTag {
    const char *prefix;
    uint32_t type;
};

const StringTag kStringTags[] = {
    {"\"", kRegSz},
    {"str:\"", kRegSz},
    {"str(2):\"", kRegExpandSz},
    {"str(7):\"", kRegMultiSz},
};

bool parseValueData(Reader &reader, QByteArrayView line, qsizetype pos, Value &value)
{
    for (const StringTag &tag : kStringTags) {
        if (startsWithAt(line, pos, tag.prefix)) {
            pos += static_cast<qsizetype>(std::strlen(tag.prefix));
            // Reused from line to line: a large hive has tens of thousands of them.
            static thread_local std::u16string units;
            units.clear();
            if (!parseString(line, pos, '"', units))
                return false;
            units.push_back(u'\0');
            value.type = tag.type;
            value.data = bytesOf(units);
            return true;
        }
    }
    if (startsWithAt(line, pos, "dword:")) {
        pos += 6;
        uint64_t number = 0;
        if (!parseHexNumber(line, pos, number))
            return false;
        value.type = kRegDword;
        value.data = QByteArray(4, '\0');
        qToLittleEndian<quint32>(static_cast<quint32>(number), value.data.data());
        return true;
    }
    if (startsWithAt(line, pos, "hex:")) {
        value.type = kRegBinary;
        return parseHexData(reader, line, pos + 4, value.data);
    }
    if (startsWithAt(line, pos, "hex(")) {
        pos += 4;
        uint64_t type = 0;
        if (!parseHexNumber(line, pos, type) || type > 0xffffffffull || !startsWithAt(line, pos, "):"))
            return false;
        value.type = static_cast<uint32_t>(type);
        return parseHexData(reader, line, pos + 2, value.data);
    }
    return false;
}

bool parseValue(Reader &reader, QByteArrayView line, qsizetype pos, Value &value)
{
    if (line[pos] == '@') {
        ++pos;
    } else {
        ++pos; // the opening quote
        static thread_local std::u16string name;
        name.clear();
        if (!parseString(line, pos, '"', name))
            return false;
        value.name = QString::fromUtf16(name.data(), static_cast<qsizetype>(name.size()));
    }
    skipSpaces(line, pos);
    if (pos >= line.size() || line[pos] != '=')
        return false;
    ++pos;
    skipSpaces(line, pos);
    return parseValueData(reader, line, pos, value);
}

QString fromUnits(const std::u16string &units)
{
    return QString::fromUtf16(units.data(), static_cast<qsizetype>(units.size()));
}

bool parseSection(QByteArrayView line, qsizetype pos, QStringList &path, Stamp &stamp)
{
    ++pos; // '['
    std::u16string text;
    if (!parseString(line, pos, ']', text))
        return false;
    path = splitPath(fromUnits(text));
    skipSpaces(line, pos);
    uint64_t seconds = 0;
    int digits = 0;
    while (pos < line.size() && line[pos] >= '0' && line[pos] <= '9' && digits < 11) {
        seconds = seconds * 10 + static_cast<uint64_t>(line[pos++] - '0');
        ++digits;
    }
    stamp = Stamp();
    if (digits > 0 && seconds <= 0xffffffffull)
        stamp.seconds = static_cast<uint32_t>(seconds);
    return true;
}

// "#time=", "#class=" and "#link" inside a section; other options are ignored, as Wine does.
bool parseKeyOption(QByteArrayView line, qsizetype pos, Key &key)
{
    if (startsWithAt(line, pos, "#time=")) {
        pos += 6;
        uint64_t time = 0;
        if (!parseHexNumber(line, pos, time))
            return false;
        Stamp stamp = key.stamp();
        stamp.fileTime = time;
        key.setStamp(stamp);
    } else if (startsWithAt(line, pos, "#class=\"")) {
        pos += 8;
        std::u16string text;
        if (!parseString(line, pos, '"', text))
            return false;
        key.setClassName(fromUnits(text));
    } else if (startsWithAt(line, pos, "#link")) {
        key.setLink(true);
    }
    return true;
}

// "#arch=" before the first section; anything else there is kept as it is.
bool parseGlobalOption(QByteArrayView line, qsizetype pos, bool &win64)
{
    if (!startsWithAt(line, pos, "#arch="))
        return true;
    QByteArrayView arch = line.sliced(pos + 6).trimmed();
    if (arch == "win64")
        win64 = true;
    else if (arch == "win32")
        win64 = false;
    else
        return false;
    return true;
}

} // namespace

std::optional<HiveFile> HiveFile::parse(QByteArrayView text, ParseError *error)
{
    Reader reader(text);
    QByteArrayView line;
    auto fail = [&](const char *message) -> std::optional<HiveFile> {
        if (error)
            *error = ParseError{std::max<qsizetype>(reader.lineNo(), 1), QString::fromLatin1(message)};
        return std::nullopt;
    };
    if (!reader.next(line) || line != "WINE REGISTRY Version 2")
        return fail("not a valid registry file");

    HiveFile hive;
    hive.m_prelude.append(line.toByteArray());
    Key *current = nullptr;
    QStringList path;
    while (reader.next(line)) {
        qsizetype pos = 0;
        skipSpaces(line, pos);
        const char first = pos < line.size() ? line[pos] : '\0';
        if (!current && first != '[') {
            if (first == '"' || first == '@')
                return fail("value outside of any key");
            if (first == '#' && !parseGlobalOption(line, pos, hive.m_win64))
                return fail("unknown architecture");
            if (first != '\0' && first != ';' && first != '#')
                return fail("unexpected text");
            hive.m_prelude.append(line.toByteArray());
            continue;
        }
        switch (first) {
        case '[': {
            Stamp stamp;
            if (!parseSection(line, pos, path, stamp))
                return fail("bad key name");
            current = hive.m_root.get();
            for (const QString &name : path)
                current = current->addSubKey(name);
            current->setStamp(stamp);
            break;
        }
        case '@':
        case '"': {
            Value value;
            if (!parseValue(reader, line, pos, value))
                return fail("bad value");
            current->setValue(value.name, value.type, std::move(value.data));
            break;
        }
        case '#':
            if (!parseKeyOption(line, pos, *current))
                return fail("bad key option");
            break;
        case ';':
        case '\0': break;
        default: return fail("unexpected text");
        }
    }
    // Blank lines that led into the first section are written again with each section.
    while (!hive.m_prelude.isEmpty() && hive.m_prelude.last().trimmed().isEmpty())
        hive.m_prelude.removeLast();
    return hive;
}

} // namespace hive
