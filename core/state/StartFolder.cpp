#include "core/state/StartFolder.h"

#include <filesystem>
#include <system_error>

QString EnterStartFolder(const QString &folder)
{
    // std::filesystem rather than QDir, for the reason a folder cannot be made or entered.
    const std::filesystem::path path = folder.toStdString();
    std::error_code error;
    std::filesystem::create_directories(path, error);
    if (!error)
        std::filesystem::current_path(path, error);
    if (!error)
        return QString();
    return QStringLiteral("cannot use \"%1\" as the start folder: %2")
        .arg(folder, QString::fromLocal8Bit(error.message().c_str()));
}
