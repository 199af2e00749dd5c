#include "core/runtime/RuntimeError.h"

#include <new>

RuntimeError::RuntimeError(int32_t number, QString description, QString source)
    : m_number(number), m_description(description.isNull() ? standardDescription(number) : std::move(description)),
      m_source(std::move(source))
{
    m_what = QStringLiteral("%1 %2").arg(m_number).arg(m_description).toStdString();
}

QString RuntimeError::standardDescription(int32_t number)
{
    switch (number) {
    case 5: return QStringLiteral("Invalid procedure call or argument");
    case 6: return QStringLiteral("Overflow");
    case 7: return QStringLiteral("Out of memory");
    case 9: return QStringLiteral("Subscript out of range");
    case 13: return QStringLiteral("Type mismatch");
    case 52: return QStringLiteral("Bad file name or number");
    case 53: return QStringLiteral("File not found");
    case 55: return QStringLiteral("File already open");
    case 57: return QStringLiteral("Device I/O error");
    case 61: return QStringLiteral("Disk full");
    case 62: return QStringLiteral("Input past end of file");
    case 68: return QStringLiteral("Device unavailable");
    case 70: return QStringLiteral("Permission denied");
    case 71: return QStringLiteral("Disk not ready");
    case 75: return QStringLiteral("Path/File access error");
    case 76: return QStringLiteral("Path not found");
    case 91: return QStringLiteral("Object variable or With block variable not set");
    case 380: return QStringLiteral("Invalid property value");
    case 440: return QStringLiteral("Automation error");
    default: return QStringLiteral("Application-defined or object-defined error");
    }
}

RuntimeError currentError(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const RuntimeError &e) {
        return e;
    } catch (const std::bad_alloc &) {
        return RuntimeError(vberr::OutOfMemory);
    } catch (const std::exception &e) {
        return RuntimeError(vberr::AutomationError, QString::fromLocal8Bit(e.what()));
    } catch (...) {
        return RuntimeError(vberr::AutomationError);
    }
}
