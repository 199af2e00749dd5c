#include "core/state/SocketTimeOut.h"

#include "core/runtime/RuntimeError.h"
#include "core/runtime/VbConv.h"

#include <QLocale>

#include <algorithm>
#include <cmath>

namespace {

QString WithLocaleSeparator(QString text) { return text.replace(QLatin1Char('.'), QLocale().decimalPoint()); }

double ReadLocaleNumber(QString text)
{
    const QString separator = QLocale().decimalPoint();
    if (separator != QStringLiteral("."))
        text.replace(separator, QStringLiteral("."));
    return vb::CDbl(text);
}

} // namespace

namespace SocketTimeOut {

int16_t Position(const QString &milliseconds)
{
    double value = 0;
    try {
        value = vb::CDbl(milliseconds);
    } catch (const RuntimeError &) {
        return kNotANumberPosition;
    }
    // nearbyint rounds halves to the even neighbour in the default rounding mode.
    const double position = std::nearbyint(value / kStepMs);
    return static_cast<int16_t>(std::clamp<double>(position, kFirstPosition, kLastPosition));
}

QString SecondsText(int position) { return WithLocaleSeparator(vb::CStr(position * 0.2)); }

QString MilliSecondsText(const QString &seconds)
{
    return WithLocaleSeparator(vb::CStr(ReadLocaleNumber(seconds) * 1000));
}

} // namespace SocketTimeOut
