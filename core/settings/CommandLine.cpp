#include "core/settings/CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdio>

namespace cmdline {
namespace {

const QString kRegistry = QStringLiteral("registry");
const QString kPrefix = QStringLiteral("prefix");
const QString kStartDir = QStringLiteral("start-dir");
const QString kStartInDataDir = QStringLiteral("start-in-data-dir");

QString versionText()
{
    return QStringLiteral("%1 %2.%3.%4\n")
        .arg(QFileInfo(QCoreApplication::applicationFilePath()).fileName())
        .arg(SKIRMDECK_VERSION_MAJOR)
        .arg(SKIRMDECK_VERSION_MINOR)
        .arg(SKIRMDECK_VERSION_PATCH);
}

void addOptions(QCommandLineParser &parser)
{
    parser.addOption(QCommandLineOption(kRegistry,
                                        QStringLiteral("Use this settings file (a registry file in Wine's format)."),
                                        QStringLiteral("file")));
    parser.addOption(QCommandLineOption(
        kPrefix, QStringLiteral("Use the settings of this Wine prefix (its system.reg)."), QStringLiteral("folder")));
}

// Where the favourites files live: the folder current at start unless one of these names another.
void addStartOptions(QCommandLineParser &parser)
{
    parser.addOption(QCommandLineOption(
        kStartDir,
        QStringLiteral("Keep the favourites files in this folder (made when missing) instead of the current one."),
        QStringLiteral("folder")));
    parser.addOption(QCommandLineOption(
        kStartInDataDir,
        QStringLiteral("Keep the favourites files in the program's data folder (as the menu entry does).")));
}

std::optional<QString> chooseStartDir(const QCommandLineParser &parser, Options &options)
{
    if (parser.isSet(kStartDir) && parser.isSet(kStartInDataDir))
        return QStringLiteral("give only one of --start-dir and --start-in-data-dir");
    if (parser.isSet(kStartDir) && parser.value(kStartDir).isEmpty())
        return QStringLiteral("--start-dir: a folder is needed");
    const QString folder = parser.isSet(kStartInDataDir) ? settingsfile::dataFolder() : parser.value(kStartDir);
    options.startDir = folder.isEmpty() ? QString() : QFileInfo(folder).absoluteFilePath();
    return std::nullopt;
}

Result usageError(const QString &message, const QString &program)
{
    Result result;
    result.exitStatus = kUsageError;
    result.errors = QStringLiteral("%1: %2\nTry '%1 --help' for more information.\n").arg(program, message);
    return result;
}

// The options' files must exist: a typing mistake must not start the program on another file.
std::optional<QString> checkFiles(Options &options)
{
    if (!options.registry.isEmpty()) {
        const QFileInfo file(options.registry);
        if (!file.isFile())
            return QStringLiteral("--registry: no such file: %1").arg(options.registry);
        options.registry = file.absoluteFilePath();
    }
    if (!options.prefix.isEmpty()) {
        const QFileInfo folder(options.prefix);
        if (!QFileInfo(QDir(options.prefix).filePath(QStringLiteral("system.reg"))).isFile())
            return QStringLiteral("--prefix: no system.reg in %1").arg(options.prefix);
        options.prefix = folder.absoluteFilePath();
    }
    return std::nullopt;
}

} // namespace

Result Parse(const QStringList &arguments, Program program, const QString &description)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(description);
    parser.addHelpOption();
    parser.addVersionOption();
    addOptions(parser);
    if (program == Program::Window)
        addStartOptions(parser);
    if (program == Program::Tool) {
        parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
        parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("The command and its arguments."));
    }
    const QString name = arguments.isEmpty() ? QString() : QFileInfo(arguments.first()).fileName();
    if (!parser.parse(arguments))
        return usageError(parser.errorText(), name);
    Result result;
    const QStringList seen = parser.optionNames();
    if (seen.contains(QStringLiteral("help")) || seen.contains(QStringLiteral("help-all"))) {
        result.exitStatus = 0;
        result.output = parser.helpText();
        return result;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        result.exitStatus = 0;
        result.output = versionText();
        return result;
    }
    if (program == Program::Window && !parser.positionalArguments().isEmpty())
        return usageError(QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().first()), name);
    result.options.registry = parser.value(kRegistry);
    result.options.prefix = parser.value(kPrefix);
    if (const auto problem = checkFiles(result.options))
        return usageError(*problem, name);
    if (program == Program::Window) {
        if (const auto problem = chooseStartDir(parser, result.options))
            return usageError(*problem, name);
    }
    result.positional = parser.positionalArguments();
    return result;
}

void Print(const Result &result)
{
    const QByteArray out = result.output.toLocal8Bit();
    const QByteArray err = result.errors.toLocal8Bit();
    std::fwrite(out.constData(), 1, static_cast<size_t>(out.size()), stdout);
    std::fwrite(err.constData(), 1, static_cast<size_t>(err.size()), stderr);
    std::fflush(stdout);
    std::fflush(stderr);
}

settingsfile::Choice UseSettingsFile(const Options &options)
{
    const settingsfile::Choice choice = settingsfile::choose(
        settingsfile::currentSources(options.registry, options.prefix));
    settingsfile::useChoice(choice);
    return choice;
}

} // namespace cmdline
