#pragma once

#include "core/runtime/RuntimeError.h"

#include <QString>

#include <cstdint>

// Small helpers the registry class leans on when it passes errors up.
class CErrorUtil {
public:
    // The base of the application-defined error range (hexadecimal 80040000).
    static constexpr int32_t kAppErrorBase = -2147221504;

    bool ErrSourceExists(const QString &strErrSource) const;
    void ErrorHandler(int32_t lngErrNumber) const;
    void DisplayErrorMessage(const RuntimeError &errError, const QString &strMsgTitle,
                             const QString &strFriendlyErrMsg = QString()) const;
    bool IsRuntimeError(int32_t &lngErrNumber) const;
};

// Check-box states: 0 unchecked, 1 checked, 2 greyed.
int16_t BoolToCheck(const bool &value);
bool CheckToBool(const int16_t &state);
