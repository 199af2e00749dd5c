#include "core/browser/CRowInfo.h"

#include "core/runtime/RuntimeError.h"

#include <limits>

void CRowInfo::setCurrentRow(int intNewVal)
{
    if (intNewVal < std::numeric_limits<int16_t>::min() || intNewVal > std::numeric_limits<int16_t>::max())
        throw RuntimeError(vberr::Overflow);
    mvarCurrentRow = static_cast<int16_t>(intNewVal);
}
