#include "core/state/SocketTimeOut.h"

#include "core/runtime/RuntimeError.h"
#include "core/runtime/VbConv.h"

#include <algorithm>
#include <cmath>

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

QString SecondsText(int position) { return vb::CStrLocal(position * 0.2); }

QString MilliSecondsText(const QString &seconds) { return vb::CStr(vb::CDblLocal(seconds) * 1000); }

} // namespace SocketTimeOut
