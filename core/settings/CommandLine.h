#pragma once

#include "core/settings/SettingsLocation.h"

#include <QString>
#include <QStringList>

#include <optional>

// The command line shared by the program and its tools: --help, --help-all, --version, --registry FILE and
// --prefix DIR (the program also --start-dir DIR and --start-in-data-dir). The program's command line is read before
// any QApplication exists, so that help, version and a refused command line need no display; Qt's own options are
// accepted for QApplication to take later. Nothing is printed here: the caller writes output and errors where they
// belong.
namespace cmdline {

enum class Program {
    // The main program: no positional arguments.
    Window,
    // A tool whose command follows the options; everything from the first positional argument
    // on is the tool's own, options included.
    Tool,
};

struct Options {
    QString registry; // --registry: an existing file, absolute
    QString prefix;   // --prefix: a folder holding system.reg, absolute
    // The main program's start folder, absolute: --start-dir, or the data folder for
    // --start-in-data-dir; "" to stay in the current folder.
    QString startDir = QString();
};

struct Result {
    // Set when the program must stop now: 0 after --help or --version, 2 on a bad command line.
    std::optional<int> exitStatus;
    QString output; // for standard output
    QString errors; // for standard error
    Options options;
    QStringList positional; // Program::Tool only
};

// arguments as QCoreApplication::arguments() gives them (the program name first). The usage line of the help
// names the program only when an application object exists.
Result Parse(const QStringList &arguments, Program program, const QString &description);

// main()'s arguments, read as QCoreApplication::arguments() would read them.
QStringList Arguments(int argc, char *argv[]);

// Writes the result's output to standard output and its errors to standard error.
void Print(const Result &result);

// Chooses the settings file with these options (SettingsLocation.h) and fixes it for the run.
settingsfile::Choice UseSettingsFile(const Options &options);

// The exit status for a command line that cannot be used.
constexpr int kUsageError = 2;

} // namespace cmdline
