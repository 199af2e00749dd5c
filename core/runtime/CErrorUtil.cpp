#include "core/runtime/CErrorUtil.h"

#include "core/runtime/ErrorTrap.h"
#include "core/runtime/MsgBox.h"
#include "core/runtime/VbConv.h"

bool CErrorUtil::ErrSourceExists(const QString &strErrSource) const
{
    return strErrSource.contains(QLatin1Char('['), Qt::CaseSensitive);
}

void CErrorUtil::ErrorHandler(int32_t lngErrNumber) const
{
    // Kept for callers that pass the current error along; it takes no action.
    (void)lngErrNumber;
}

bool CErrorUtil::IsRuntimeError(int32_t &lngErrNumber) const
{
    const int64_t difference = int64_t{lngErrNumber} - int64_t{kAppErrorBase};
    if (difference > 0 && difference < 65535) {
        lngErrNumber = static_cast<int32_t>(difference);
        return false;
    }
    return true;
}

void CErrorUtil::DisplayErrorMessage(const RuntimeError &errError, const QString &strMsgTitle,
                                     const QString &strFriendlyErrMsg) const
{
    const QString detail = QStringLiteral("Error number ") + QString::number(errError.number()) +
                           QStringLiteral(" - ") + errError.description() + QStringLiteral(" in ") + errError.source();
    int32_t number = errError.number();
    QString message;
    if (IsRuntimeError(number)) {
        if (!vb::Trim(strFriendlyErrMsg).isEmpty())
            message = strFriendlyErrMsg + QStringLiteral("\r\n\r\nDetails: ") + detail;
        else
            message = detail;
    } else {
        message = errError.description();
    }
    MsgBox(message, MsgButtons::OK, MsgIcon::Information, strMsgTitle);
}

int16_t BoolToCheck(const bool &value)
{
    int16_t result = 0;
    Trap(QStringLiteral("Error in BoolToCheck "), ErrLayout::DescriptionFirst, [&] { result = value ? 1 : 0; });
    return result;
}

bool CheckToBool(const int16_t &state)
{
    bool result = false;
    Trap(QStringLiteral("Error in CheckToBool "), ErrLayout::DescriptionFirst, [&] { result = state == 1; });
    return result;
}
