#include "core/settings/CommandLine.h"
#include "core/settings/WineHandoff.h"
#include "core/state/StartFolder.h"
#include "gui/common/QtMessageBox.h"
#include "gui/main/frmMain.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("skirmdeck"));
    const cmdline::Result command = cmdline::Parse(
        QApplication::arguments(), cmdline::Program::Window,
        QStringLiteral("Launcher and settings editor for Rogue Spear, Urban Operations, Rainbow Six and Eagle Watch."));
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
