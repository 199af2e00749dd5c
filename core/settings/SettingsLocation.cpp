#include "core/settings/SettingsLocation.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <optional>

namespace settingsfile {
namespace {

const QString kSystemReg = QStringLiteral("system.reg");

std::optional<Choice> &fixedChoice()
{
    static std::optional<Choice> choice;
    return choice;
}

QString hiveIn(const QString &folder) { return QDir(folder).absoluteFilePath(kSystemReg); }

bool hasHive(const QString &folder) { return !folder.isEmpty() && QFileInfo(hiveIn(folder)).isFile(); }

} // namespace

QString dataFolder()
{
    // A fixed folder name, so tools and the program find the same folder whatever their name.
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/skirmdeck");
}

Sources currentSources(const QString &registryOption, const QString &prefixOption)
{
    Sources sources;
    sources.registryOption = registryOption;
    sources.prefixOption = prefixOption;
    sources.registryEnv = qEnvironmentVariable("SKIRMDECK_REGISTRY");
    sources.winePrefixEnv = qEnvironmentVariable("WINEPREFIX");
    sources.homeFolder = QDir::homePath();
    sources.dataFolder = dataFolder();
    return sources;
}

Choice choose(const Sources &sources)
{
    if (!sources.registryOption.isEmpty())
        return {QFileInfo(sources.registryOption).absoluteFilePath(), QStringLiteral("--registry")};
    if (!sources.registryEnv.isEmpty())
        return {QFileInfo(sources.registryEnv).absoluteFilePath(), QStringLiteral("SKIRMDECK_REGISTRY")};
    if (!sources.prefixOption.isEmpty())
        return {hiveIn(sources.prefixOption), QStringLiteral("--prefix")};
    if (hasHive(sources.winePrefixEnv))
        return {hiveIn(sources.winePrefixEnv), QStringLiteral("WINEPREFIX")};
    const QString homePrefix = QDir(sources.homeFolder).filePath(QStringLiteral(".wine"));
    if (hasHive(homePrefix))
        return {hiveIn(homePrefix), QStringLiteral("~/.wine")};
    return {hiveIn(sources.dataFolder), QStringLiteral("data folder")};
}

Choice current() { return fixedChoice() ? *fixedChoice() : choose(currentSources()); }

void useChoice(const Choice &choice) { fixedChoice() = choice; }

QString describe(const Choice &choice)
{
    return QStringLiteral("%1 (from %2)").arg(QDir::toNativeSeparators(choice.path), choice.rule);
}

} // namespace settingsfile
