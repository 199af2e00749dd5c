#include "core/runtime/VbConv.h"

#include "core/runtime/RuntimeError.h"

#include <QLocale>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>
#include <string_view>

namespace vb {
namespace {

bool isBlank(QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); }

void skipBlanks(const QString &s, qsizetype &i)
{
    while (i < s.size() && isBlank(s[i]))
        ++i;
}

// &H / &O forms: an integer in base 16 or 8, nothing else after it but blanks.
std::optional<double> parseRadix(const QString &s, qsizetype i)
{
    if (i + 2 > s.size() || s[i] != QLatin1Char('&'))
        return std::nullopt;
    const QChar tag = s[i + 1].toUpper();
    const int base = tag == QLatin1Char('H') ? 16 : tag == QLatin1Char('O') ? 8 : 0;
    if (base == 0)
        return std::nullopt;
    i += 2;
    const qsizetype start = i;
    uint64_t value = 0;
    while (i < s.size() && s[i].isLetterOrNumber()) {
        const int digit = QString(s[i]).toInt(nullptr, base);
        const bool valid = (s[i] == QLatin1Char('0')) || digit > 0;
        if (!valid || value > (uint64_t{1} << 40))
            return std::nullopt;
        value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
        ++i;
    }
    skipBlanks(s, i);
    if (i == start || i != s.size())
        return std::nullopt;
    // Up to 32 bits the digits are a signed 32-bit pattern (&HFFFFFFFF is -1).
    if (value <= 0xFFFFFFFFu && value > 0x7FFFFFFFu)
        return static_cast<double>(static_cast<int32_t>(static_cast<uint32_t>(value)));
    return static_cast<double>(value);
}

// Digits with ',' grouping and '.' decimal point, optional E/D exponent; appends to out.
bool parseMantissa(const QString &s, qsizetype &i, std::string &out)
{
    bool digits = false;
    bool point = false;
    while (i < s.size()) {
        const QChar c = s[i];
        if (c.isDigit() && c.unicode() < 128) {
            out += static_cast<char>(c.unicode());
            digits = true;
        } else if (c == QLatin1Char(',') && !point && digits) {
            // grouping separator: ignored
        } else if (c == QLatin1Char('.') && !point) {
            out += '.';
            point = true;
        } else {
            break;
        }
        ++i;
    }
    if (!digits)
        return false;
    if (i < s.size() && (s[i].toUpper() == QLatin1Char('E') || s[i].toUpper() == QLatin1Char('D'))) {
        qsizetype j = i + 1;
        std::string exp = "e";
        if (j < s.size() && (s[j] == QLatin1Char('+') || s[j] == QLatin1Char('-')))
            exp += static_cast<char>(s[j++].unicode());
        const qsizetype expStart = j;
        while (j < s.size() && s[j].isDigit() && s[j].unicode() < 128)
            exp += static_cast<char>(s[j++].unicode());
        if (j == expStart)
            return false;
        out += exp;
        i = j;
    }
    return true;
}

// The power of ten of the first significant digit of plain digits with an optional point and
// exponent ("0.05e-3" gives -5); how the text left the range of a double when it did.
long long DecimalMagnitude(std::string_view text)
{
    const auto e = text.find('e');
    long long exponent = 0;
    if (e != std::string_view::npos) {
        std::string_view digits = text.substr(e + 1);
        const bool minus = !digits.empty() && digits.front() == '-';
        if (!digits.empty() && (digits.front() == '-' || digits.front() == '+'))
            digits.remove_prefix(1);
        if (std::from_chars(digits.data(), digits.data() + digits.size(), exponent).ec != std::errc())
            exponent = std::numeric_limits<long long>::max() / 2;
        exponent = minus ? -exponent : exponent;
    }
    const std::string_view mantissa = text.substr(0, e);
    const auto point = std::min(mantissa.find('.'), mantissa.size());
    const auto first = mantissa.find_first_not_of("0.");
    if (first == std::string_view::npos)
        return std::numeric_limits<long long>::min() / 2;
    const auto before = static_cast<long long>(point) - static_cast<long long>(first);
    return exponent + (first < point ? before - 1 : before);
}

// Digits as parseMantissa leaves them, read with '.' whatever the C library's locale is.
double PlainDouble(const std::string &text)
{
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec == std::errc::result_out_of_range) {
        // Too small for a double is 0, as the classic run-time has it; too large is an overflow.
        if (DecimalMagnitude(text) < 0)
            return 0;
        throw RuntimeError(vberr::Overflow);
    }
    if (ec != std::errc() || end != text.data() + text.size())
        throw RuntimeError(vberr::TypeMismatch);
    return value;
}

std::optional<double> parseNumber(const QString &s)
{
    qsizetype i = 0;
    skipBlanks(s, i);
    if (auto radix = parseRadix(s, i))
        return radix;
    bool negative = false;
    bool paren = false;
    if (i < s.size() && s[i] == QLatin1Char('(')) {
        paren = true;
        ++i;
        skipBlanks(s, i);
    }
    if (i < s.size() && (s[i] == QLatin1Char('+') || s[i] == QLatin1Char('-'))) {
        negative = s[i] == QLatin1Char('-');
        ++i;
        skipBlanks(s, i);
    }
    std::string text;
    if (!parseMantissa(s, i, text))
        return std::nullopt;
    skipBlanks(s, i);
    if (i < s.size() && (s[i] == QLatin1Char('+') || s[i] == QLatin1Char('-')) && !paren) {
        negative = negative != (s[i] == QLatin1Char('-'));
        ++i;
        skipBlanks(s, i);
    }
    if (paren) {
        if (i >= s.size() || s[i] != QLatin1Char(')'))
            return std::nullopt;
        negative = !negative;
        ++i;
        skipBlanks(s, i);
    }
    if (i != s.size())
        return std::nullopt;
    const double value = PlainDouble(text);
    return negative ? -value : value;
}

double roundHalfEven(double value) { return std::nearbyint(value); }

// Rounds halves to even; a result outside Int's range is an overflow.
template <class Int> Int RoundedTo(double value)
{
    const double rounded = roundHalfEven(value);
    if (!(rounded >= std::numeric_limits<Int>::min() && rounded <= std::numeric_limits<Int>::max()))
        throw RuntimeError(vberr::Overflow);
    return static_cast<Int>(rounded);
}

} // namespace

bool CBool(const QString &text)
{
    if (text.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0 || text == QLatin1String("#TRUE#"))
        return true;
    if (text.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0 || text == QLatin1String("#FALSE#"))
        return false;
    const auto number = parseNumber(text);
    if (!number)
        throw RuntimeError(vberr::TypeMismatch);
    return *number != 0.0;
}

double CDbl(const QString &text)
{
    const auto number = parseNumber(text);
    if (!number)
        throw RuntimeError(vberr::TypeMismatch);
    return *number;
}

int32_t CLng(double value) { return RoundedTo<int32_t>(value); }

int32_t CLng(const QString &text) { return CLng(CDbl(text)); }

int16_t CInt(double value) { return RoundedTo<int16_t>(value); }

int16_t CInt(const QString &text) { return CInt(CDbl(text)); }

QString CStr(double value)
{
    if (value == 0.0)
        return QStringLiteral("0");
    // to_chars writes what printf's %.15G writes in the C locale, whatever the user's locale.
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    return QString::fromLatin1(buffer, result.ptr - buffer).toUpper();
}

QString CStrLocal(double value)
{
    const QString point = QLocale().decimalPoint();
    QString text = CStr(value);
    return point == QLatin1String(".") ? text : text.replace(QLatin1Char('.'), point);
}

double CDblLocal(const QString &text)
{
    const QString point = QLocale().decimalPoint();
    if (point == QLatin1String("."))
        return CDbl(text);
    QString plain = text;
    return CDbl(plain.replace(point, QStringLiteral(".")));
}

QString LTrim(const QString &text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i] == QLatin1Char(' '))
        ++i;
    return text.mid(i);
}

QString RTrim(const QString &text)
{
    qsizetype n = text.size();
    while (n > 0 && text[n - 1] == QLatin1Char(' '))
        --n;
    return text.left(n);
}

QString Trim(const QString &text) { return LTrim(RTrim(text)); }

QStringList Split(const QString &text, const QString &delimiter)
{
    if (text.isEmpty())
        return {};
    if (delimiter.isEmpty())
        return {text};
    return text.split(delimiter, Qt::KeepEmptyParts, Qt::CaseSensitive);
}

} // namespace vb
