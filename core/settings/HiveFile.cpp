#include "core/settings/HiveFile.h"

#include <QtEndian>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>

namespace hive {

namespace {

constexpr uint32_t kRegSz = 1;
constexpr uint32_t kRegExpandSz = 2;
constexpr uint32_t kRegBinary = 3;
constexpr uint32_t kRegDword = 4;
constexpr uint32_t kRegMultiSz = 7;

// 100 ns ticks between 1601-01-01 and 1970-01-01.
constexpr uint64_t kTicks1601To1970 = 116444736000000000ull;

const char kHexDigits[] = "0123456789abcdef";

bool isHexDigit(char16_t c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

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

// The output is built in std::string: its appends are inline, which matters for megabytes.
using Out = std::string;

// Hexadecimal (bits 4) or octal (bits 3), lowercase, padded with zeros to minDigits.
void appendDigits(Out &out, uint64_t value, unsigned bits, int minDigits)
{
    char buffer[24];
    int n = 0;
    const uint64_t mask = (uint64_t{1} << bits) - 1;
    do {
        buffer[n++] = kHexDigits[value & mask];
        value >>= bits;
    } while (value != 0);
    for (int i = n; i < minDigits; ++i)
        out += '0';
    while (n > 0)
        out += buffer[--n];
}

void appendDecimal(Out &out, uint64_t value)
{
    char buffer[24];
    int n = 0;
    do {
        buffer[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    while (n > 0)
        out += buffer[--n];
}

// Wine's escaping, one UTF-16 unit at a time (unitAt(i) gives unit i); the output is ASCII.
template <class UnitAt> void appendEscaped(Out &out, size_t n, UnitAt &&unitAt, char delim0, char delim1)
{
    static const char escapes[33] = ".......abtnvfr.............e....";
    for (size_t i = 0; i < n; ++i) {
        const char16_t c = unitAt(i);
        const char16_t next = i + 1 < n ? unitAt(i + 1) : u'\0';
        if (c > 127) {
            out += "\\x";
            appendDigits(out, c, 4, isHexDigit(next) ? 4 : 1);
        } else if (c < 32) {
            out += '\\';
            if (escapes[c] != '.')
                out += escapes[c];
            else
                appendDigits(out, c, 3, next >= '0' && next <= '7' ? 3 : 1);
        } else {
            if (c == '\\' || c == delim0 || c == delim1)
                out += '\\';
            out += static_cast<char>(c);
        }
    }
}

void appendEscapedName(Out &out, const QString &name, char delim0, char delim1)
{
    const QChar *units = name.constData();
    appendEscaped(
        out, static_cast<size_t>(name.size()), [units](size_t i) { return units[i].unicode(); }, delim0, delim1);
}

// UTF-16LE data without its final NUL.
void appendEscapedData(Out &out, const QByteArray &data)
{
    const char *bytes = data.constData();
    appendEscaped(
        out, static_cast<size_t>(data.size() / 2 - 1),
        [bytes](size_t i) { return char16_t(qFromLittleEndian<quint16>(bytes + 2 * i)); }, '"', '"');
}

QByteArray bytesOf(const std::u16string &units)
{
    QByteArray data(static_cast<qsizetype>(units.size() * 2), '\0');
    for (size_t i = 0; i < units.size(); ++i)
        qToLittleEndian<quint16>(units[i], data.data() + 2 * i);
    return data;
}

bool isTerminatedString(const Value &value)
{
    const qsizetype len = value.data.size();
    return len >= 2 && len % 2 == 0 && value.data[len - 1] == 0 && value.data[len - 2] == 0;
}

void appendHexData(Out &out, const QByteArray &data, size_t count)
{
    const qsizetype n = data.size();
    for (qsizetype i = 0; i < n; ++i) {
        const auto byte = static_cast<unsigned char>(data[i]);
        out += kHexDigits[byte >> 4];
        out += kHexDigits[byte & 0xf];
        count += 2;
        if (i < n - 1) {
            out += ',';
            if (++count > 76) {
                out += "\\\n  ";
                count = 2;
            }
        }
    }
}

void appendValue(Out &out, const Value &value)
{
    const size_t start = out.size();
    if (value.name.isEmpty()) {
        out += "@=";
    } else {
        out += '"';
        appendEscapedName(out, value.name, '"', '"');
        out += "\"=";
    }
    const uint32_t type = value.type;
    if ((type == kRegSz || type == kRegExpandSz || type == kRegMultiSz) && isTerminatedString(value)) {
        if (type != kRegSz) {
            out += "str(";
            appendDigits(out, type, 4, 1);
            out += "):";
        }
        out += '"';
        appendEscapedData(out, value.data);
        out += "\"\n";
        return;
    }
    if (type == kRegDword && value.data.size() == 4) {
        out += "dword:";
        appendDigits(out, qFromLittleEndian<quint32>(value.data.constData()), 4, 8);
        out += '\n';
        return;
    }
    if (type == kRegBinary) {
        out += "hex:";
    } else {
        out += "hex(";
        appendDigits(out, type, 4, 1);
        out += "):";
    }
    appendHexData(out, value.data, out.size() - start);
    out += '\n';
}

// ---- reading ----

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

} // namespace

// ---- names and keys ----

QString foldName(QStringView name)
{
    QString folded(name.size(), Qt::Uninitialized);
    QChar *out = folded.data();
    for (qsizetype i = 0; i < name.size(); ++i)
        out[i] = name[i].toLower();
    return folded;
}

int compareFolded(QStringView a, QStringView b)
{
    const qsizetype n = std::min(a.size(), b.size());
    const char16_t *pa = a.utf16();
    const char16_t *pb = b.utf16();
    for (qsizetype i = 0; i < n; ++i) {
        if (pa[i] != pb[i])
            return pa[i] < pb[i] ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

Stamp Stamp::now()
{
    const auto since = std::chrono::system_clock::now().time_since_epoch();
    const auto ticks = static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(since).count() / 100);
    Stamp stamp;
    stamp.seconds = static_cast<uint32_t>(ticks / 10000000ull);
    stamp.fileTime = ticks + kTicks1601To1970;
    return stamp;
}

Key::Key(QString name) : m_name(std::move(name)), m_folded(foldName(m_name)) {}

std::vector<std::unique_ptr<Key>>::const_iterator Key::subKeyPos(QStringView folded) const
{
    return std::lower_bound(
        m_subKeys.begin(), m_subKeys.end(), folded,
        [](const std::unique_ptr<Key> &key, QStringView f) { return compareFolded(key->folded(), f) < 0; });
}

std::vector<Value>::const_iterator Key::valuePos(QStringView folded) const
{
    return std::lower_bound(m_values.begin(), m_values.end(), folded,
                            [](const Value &value, QStringView f) { return compareFolded(value.folded, f) < 0; });
}

Key *Key::subKey(QStringView name) const
{
    const QString folded = foldName(name);
    const auto it = subKeyPos(folded);
    return it != m_subKeys.end() && compareFolded((*it)->folded(), folded) == 0 ? it->get() : nullptr;
}

Key *Key::addSubKey(const QString &name, bool *created)
{
    auto key = std::make_unique<Key>(name);
    // Files list keys in order, so a new key usually belongs at the end.
    auto it = m_subKeys.end();
    if (!m_subKeys.empty() && compareFolded(m_subKeys.back()->folded(), key->folded()) >= 0)
        it = m_subKeys.begin() + (subKeyPos(key->folded()) - m_subKeys.cbegin());
    if (it != m_subKeys.end() && compareFolded((*it)->folded(), key->folded()) == 0) {
        if (created)
            *created = false;
        return it->get();
    }
    if (created)
        *created = true;
    return m_subKeys.insert(it, std::move(key))->get();
}

bool Key::removeSubKey(QStringView name)
{
    const QString folded = foldName(name);
    const auto it = subKeyPos(folded);
    if (it == m_subKeys.end() || compareFolded((*it)->folded(), folded) != 0)
        return false;
    m_subKeys.erase(it);
    return true;
}

const Value *Key::value(QStringView name) const
{
    const QString folded = foldName(name);
    const auto it = valuePos(folded);
    return it != m_values.end() && compareFolded(it->folded, folded) == 0 ? &*it : nullptr;
}

void Key::setValue(const QString &name, uint32_t type, QByteArray data)
{
    m_sectionValid = false;
    QString folded = foldName(name);
    auto it = m_values.end();
    if (!m_values.empty() && compareFolded(m_values.back().folded, folded) >= 0)
        it = m_values.begin() + (valuePos(folded) - m_values.cbegin());
    if (it != m_values.end() && compareFolded(it->folded, folded) == 0) {
        it->type = type;
        it->data = std::move(data);
        return;
    }
    m_values.insert(it, Value{name, std::move(folded), type, std::move(data)});
}

bool Key::removeValue(QStringView name)
{
    const QString folded = foldName(name);
    const auto it = valuePos(folded);
    if (it == m_values.end() || compareFolded(it->folded, folded) != 0)
        return false;
    m_sectionValid = false;
    m_values.erase(it);
    return true;
}

void Key::setStamp(const Stamp &stamp)
{
    m_stamp = stamp;
    m_sectionValid = false;
}

void Key::setClassName(const std::optional<QString> &name)
{
    m_className = name;
    m_sectionValid = false;
}

void Key::setLink(bool link)
{
    m_link = link;
    m_sectionValid = false;
}

void Key::cacheSection(std::string section) const
{
    m_section = std::move(section);
    m_sectionValid = true;
}

// ---- the file ----

HiveFile::HiveFile() : m_root(std::make_unique<Key>(QString())) {}
HiveFile::HiveFile(HiveFile &&) noexcept = default;
HiveFile &HiveFile::operator=(HiveFile &&) noexcept = default;
HiveFile::~HiveFile() = default;

HiveFile HiveFile::createNew(bool win64)
{
    HiveFile hive;
    hive.m_prelude = {"WINE REGISTRY Version 2", ";; All keys relative to REGISTRY\\\\Machine", "",
                      win64 ? "#arch=win64" : "#arch=win32"};
    hive.m_win64 = win64;
    return hive;
}

namespace {

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

namespace {

void appendSection(Out &out, const Key &key, const Out &path)
{
    out += "\n[";
    out += path;
    out += ']';
    if (key.stamp().seconds) {
        out += ' ';
        appendDecimal(out, *key.stamp().seconds);
    }
    out += '\n';
    if (key.stamp().fileTime) {
        out += "#time=";
        appendDigits(out, *key.stamp().fileTime >> 32, 4, 1);
        appendDigits(out, *key.stamp().fileTime & 0xffffffffull, 4, 8);
        out += '\n';
    }
    if (key.className()) {
        out += "#class=\"";
        appendEscapedName(out, *key.className(), '"', '"');
        out += "\"\n";
    }
    if (key.isLink())
        out += "#link\n";
    for (const Value &value : key.values())
        appendValue(out, value);
}

// Depth first; a key holding only sub-keys is implied by their paths and not written.
// Sections of keys that did not change since the last write are reused as they were.
void appendKey(QByteArray &out, const Key &key, Out &path, Out &scratch)
{
    if (!key.values().empty() || key.subKeys().empty() || key.className() || key.isLink()) {
        if (!key.cachedSection()) {
            scratch.clear();
            appendSection(scratch, key, path);
            key.cacheSection(scratch);
        }
        const std::string &section = *key.cachedSection();
        out.append(section.data(), static_cast<qsizetype>(section.size()));
    }
    const size_t base = path.size();
    for (const auto &sub : key.subKeys()) {
        if (base > 0)
            path += "\\\\";
        appendEscapedName(path, sub->name(), '[', ']');
        appendKey(out, *sub, path, scratch);
        path.resize(base);
    }
}

} // namespace

QByteArray HiveFile::serialize(qsizetype sizeHint) const
{
    QByteArray out;
    out.reserve(std::max<qsizetype>(sizeHint + sizeHint / 16, 4096));
    for (const QByteArray &line : m_prelude) {
        out.append(line);
        out.append('\n');
    }
    Out path;
    path.reserve(512);
    Out scratch;
    scratch.reserve(4096);
    appendKey(out, *m_root, path, scratch);
    return out;
}

Key *HiveFile::find(const QStringList &path) const
{
    Key *key = m_root.get();
    for (const QString &name : path) {
        key = key->subKey(name);
        if (!key)
            return nullptr;
    }
    return key;
}

Key *HiveFile::create(const QStringList &path)
{
    Key *key = m_root.get();
    for (const QString &name : path) {
        bool created = false;
        Key *sub = key->addSubKey(name, &created);
        if (created) {
            key->touch();
            sub->touch();
        }
        key = sub;
    }
    return key;
}

QStringList splitPath(QStringView path)
{
    QStringList parts;
    for (QStringView part : path.split(u'\\', Qt::SkipEmptyParts))
        parts.append(part.toString());
    return parts;
}

} // namespace hive
