#include "core/settings/CommandLine.h"
#include "core/settings/WineHandoff.h"
#include "core/state/StartFolder.h"
#include "gui/common/QtMessageBox.h"
#include "gui/main/frmMain.h"

#include <QApplication>

#include <cstdio>

namespace {

cmdline::Result ParseCommandLine(const QStringList &arguments)
{
    return cmdline::Parse(arguments, cmdline::Program::Window,
                          QStringLiteral("Launcher and settings editor for Rogue Spear, Urban Operations, Rainbow Six "
                                         "and Eagle Watch."));
}

// Read before QApplication, which cannot start where no display is reachable: help, version and a refused
// command line must not need one.
cmdline::Result ReadCommandLine(int &argc, char *argv[])
{
    const cmdline::Result command = ParseCommandLine(cmdline::Arguments(argc, argv));
    if (command.exitStatus != 0)
        return command;
    // Help's usage line names the program as started, which Qt takes from an application object; this one
    // needs no display.
    const QCoreApplication printer(argc, argv);
    return ParseCommandLine(QCoreApplication::arguments());
}

} // namespace

int main(int argc, char *argv[])
{
    const cmdline::Result command = ReadCommandLine(argc, argv);
    cmdline::Print(command);
    if (command.exitStatus)
        return *command.exitStatus;
    const settingsfile::Choice settings = cmdline::UseSettingsFile(command.options);
    std::fprintf(stderr, "skirmdeck: settings file %s\n", qPrintable(settingsfile::describe(settings)));
    std::fflush(stderr);
    // After the settings file is chosen, so a relative SKIRMDECK_REGISTRY means the folder started from.
    if (!command.options.startDir.isEmpty()) {
        if (const QString problem = EnterStartFolder(command.options.startDir); !problem.isEmpty()) {
            std::fprintf(stderr, "skirmdeck: %s\n", qPrintable(problem));
            return cmdline::kUsageError;
        }
    }

    const QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("skirmdeck"));
    QtMessageBox messageBoxes;
    setMessageBoxSeam(&messageBoxes);
    auto *window = new frmMain();
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    const int status = QApplication::exec();
    // A change still being handed to a running Wine would be lost if the import were killed.
    winehandoff::WaitForAll();
    return status;
}
