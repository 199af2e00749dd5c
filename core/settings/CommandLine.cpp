#include "core/settings/CommandLine.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>

#include <cstdio>

namespace cmdline {
namespace {

const QString kRegistry = QStringLiteral("registry");
const QString kPrefix = QStringLiteral("prefix");
const QString kStartDir = QStringLiteral("start-dir");
const QString kStartInDataDir = QStringLiteral("start-in-data-dir");
const QString kHelp = QStringLiteral("help");
const QString kHelpAll = QStringLiteral("help-all");
const QString kVersion = QStringLiteral("version");

// The options Qt's application classes take out of the command line themselves (qt6options(7),
// less the Windows-only ones). The main program reads its command line before any QApplication
// exists, so it must know them to accept them; --help-all lists them.
struct QtOption {
    const char *name;
    const char *valueName; // nullptr for a switch
    const char *description;
    bool guiOnly = true; // taken by QApplication, not by the QCoreApplication of the tools
};
constexpr QtOption kQtOptions[] = {
    {"platform", "name[:options]", "Qt: the platform plugin (xcb, wayland, offscreen, ...)."},
    {"platformpluginpath", "path", "Qt: where to look for platform plugins."},
    {"platformtheme", "theme", "Qt: the platform theme."},
    {"plugin", "plugin", "Qt: an additional plugin to load (may be repeated)."},
    {"display", "display", "Qt: the X display to use instead of $DISPLAY."},
    {"qwindowgeometry", "geometry", "Qt: the main window's geometry, for example 640x480+50+50."},
    {"geometry", "geometry", "Qt: the same as --qwindowgeometry."},
    {"qwindowicon", "icon", "Qt: the default window icon."},
    {"qwindowtitle", "title", "Qt: the title of the first window."},
    {"session", "session", "Qt: restores an earlier session."},
    {"style", "style", "Qt: the widget style, for example Fusion."},
    {"stylesheet", "file", "Qt: a style sheet file for the widgets."},
    {"reverse", nullptr, "Qt: lays the windows out right to left (a debugging aid)."},
    {"widgetcount", nullptr, "Qt: reports widgets left over at the end (a debugging aid)."},
    {"qmljsdebugger", "value", "Qt: starts the QML/JS debugger (port:1234[,block]).", false},
};

QString versionText(const QString &program)
{
    return QStringLiteral("%1 %2.%3.%4\n")
        .arg(program)
        .arg(SKIRMDECK_VERSION_MAJOR)
        .arg(SKIRMDECK_VERSION_MINOR)
        .arg(SKIRMDECK_VERSION_PATCH);
}

void addQtOptions(QCommandLineParser &parser, Program program, bool listed)
{
    for (const QtOption &qt : kQtOptions) {
        if (qt.guiOnly && program != Program::Window)
            continue;
        QCommandLineOption option(QString::fromLatin1(qt.name), QString::fromLatin1(qt.description),
                                  QString::fromLatin1(qt.valueName));
        if (!listed)
            option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
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

// Help and version: printed, and the program ends.
Result printOnly(const QString &text)
{
    Result result;
    result.exitStatus = 0;
    result.output = text;
    return result;
}

// Qt's own options are listed only for --help-all but always accepted.
void setUp(QCommandLineParser &parser, Program program, const QString &description, bool listQtOptions)
{
    parser.setApplicationDescription(description);
    // As Qt reads its own options: one dash before a word (-platform, -style) names one option.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    // -? as well, which Qt's help option takes only on Windows: the tools follow reg's "/?".
    parser.addOption(QCommandLineOption({QStringLiteral("?"), QStringLiteral("h"), kHelp},
                                        QStringLiteral("Displays help on commandline options.")));
    parser.addOption(QCommandLineOption(kHelpAll, QStringLiteral("Displays help including Qt specific options.")));
    parser.addOption(
        QCommandLineOption({QStringLiteral("v"), kVersion}, QStringLiteral("Displays version information.")));
    addOptions(parser);
    if (program == Program::Window)
        addStartOptions(parser);
    addQtOptions(parser, program, listQtOptions);
    if (program == Program::Tool) {
        parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
        parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("The command and its arguments."));
    }
}

} // namespace

Result Parse(const QStringList &arguments, Program program, const QString &description)
{
    QCommandLineParser parser;
    setUp(parser, program, description, false);
    const QString name = arguments.isEmpty() ? QString() : QFileInfo(arguments.first()).fileName();
    if (!parser.parse(arguments))
        return usageError(parser.errorText(), name);
    if (parser.isSet(kHelpAll)) {
        QCommandLineParser withQtOptions;
        setUp(withQtOptions, program, description, true);
        return printOnly(withQtOptions.helpText());
    }
    if (parser.isSet(kHelp))
        return printOnly(parser.helpText());
    if (parser.isSet(kVersion))
        return printOnly(versionText(name));
    if (program == Program::Window && !parser.positionalArguments().isEmpty())
        return usageError(QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().first()), name);
    Result result;
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

QStringList Arguments(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
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
