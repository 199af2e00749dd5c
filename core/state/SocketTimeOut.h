#pragma once

#include <QString>

#include <cstdint>

// The socket time-out dialog's scale: positions 1 to 20 of 200 milliseconds each.
namespace SocketTimeOut {
constexpr int16_t kFirstPosition = 1;
constexpr int16_t kLastPosition = 20;
constexpr int16_t kNotANumberPosition = 5;
constexpr int kStepMs = 200;

// The position for a stored time-out: the milliseconds divided by 200, halves to the even
// neighbour. A time-out outside the scale gets the nearest end; text that is not a number
// gets position 5 (the default 1000 ms).
int16_t Position(const QString &milliseconds);

// The position in seconds, 15 significant digits, no trailing zeros, the locale's separator.
QString SecondsText(int position);

// The milliseconds for a seconds text read with the locale's separator, written as they are
// stored: the same in every locale. Error 13 when the text is not a number.
QString MilliSecondsText(const QString &seconds);
} // namespace SocketTimeOut
