#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

// Conversions with the classic run-time's semantics. Failures raise RuntimeError:
// 13 (type mismatch) for text that is not a number or an on/off word, 6 (overflow) out of range.
namespace vb {

bool CBool(const QString &text);
double CDbl(const QString &text);
int32_t CLng(const QString &text);
int32_t CLng(double value);
int16_t CInt(const QString &text);
int16_t CInt(double value);

// 15 significant digits, no trailing zeros, exponent form below 1E-4 and from 1E15 on.
QString CStr(double value);

// CDbl and CStr read and write '.' as the decimal point and ',' as grouping, whatever the
// user's locale: every number the program stores or computes with goes through them. What a
// player reads or types goes through these instead, with the decimal separator of the user's
// locale (QLocale's default). Where that separator is not '.', it and '.' both read as the
// decimal point: in a comma locale "2,5" and "2.5" are both two and a half, and nothing groups.
QString CStrLocal(double value);
double CDblLocal(const QString &text);
inline QString CStr(bool value) { return value ? QStringLiteral("True") : QStringLiteral("False"); }

// Removes blanks (U+0020) only, as the classic Trim does.
QString Trim(const QString &text);
QString LTrim(const QString &text);
QString RTrim(const QString &text);

// Split with the classic results: an empty text gives no elements.
QStringList Split(const QString &text, const QString &delimiter = QStringLiteral(" "));

} // namespace vb
