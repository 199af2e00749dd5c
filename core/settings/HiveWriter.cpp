#include "core/settings/HiveFile.h"

#include <QtEndian>

#include <algorithm>
#include <string>

// Writing the tree back as wineserver does: its escapes, value forms, wrapping and key order.
namespace hive {

namespace {

const char kHexDigits[] = "0123456789abcdef";

bool isHexDigit(char16_t c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

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

} // namespace hive
