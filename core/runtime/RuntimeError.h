#pragma once

#include <QString>

#include <cstdint>
#include <exception>
#include <string>

// Run-time error numbers the windows report (the classic run-time numbering).
namespace vberr {
constexpr int32_t InvalidCall = 5;
constexpr int32_t Overflow = 6;
constexpr int32_t OutOfMemory = 7;
constexpr int32_t SubscriptOutOfRange = 9;
constexpr int32_t TypeMismatch = 13;
constexpr int32_t BadFileName = 52;
constexpr int32_t FileNotFound = 53;
constexpr int32_t FileAlreadyOpen = 55;
constexpr int32_t DeviceIOError = 57;
constexpr int32_t DiskFull = 61;
constexpr int32_t InputPastEnd = 62;
constexpr int32_t DeviceUnavailable = 68;
constexpr int32_t PermissionDenied = 70;
constexpr int32_t PathFileAccessError = 75;
constexpr int32_t PathNotFound = 76;
constexpr int32_t ObjectNotSet = 91;
constexpr int32_t InvalidPropertyValue = 380;
constexpr int32_t AutomationError = 440;
} // namespace vberr

// An error as the windows trap it: number, description and source.
class RuntimeError : public std::exception {
public:
    explicit RuntimeError(int32_t number, QString description = {}, QString source = {});

    int32_t number() const { return m_number; }
    const QString &description() const { return m_description; }
    const QString &source() const { return m_source; }
    void setSource(const QString &source) { m_source = source; }

    const char *what() const noexcept override { return m_what.c_str(); }

    // The run-time library's text for a number ("Type mismatch" for 13), or a generic text.
    static QString standardDescription(int32_t number);

private:
    int32_t m_number;
    QString m_description;
    QString m_source;
    std::string m_what;
};

// Turns whatever was thrown into the error record a handler reports (std::bad_alloc is 7).
RuntimeError currentError(std::exception_ptr error);
