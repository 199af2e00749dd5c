#include "core/settings/CommandLine.h"
#include "core/settings/WineHandoff.h"
#include "core/state/StartFolder.h"
#include "gui/common/QtMessageBox.h"
#include "gui/main/frmMain.h"

#include <QApplication>

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

// --help and --version only print, so they must work where no display is reachable and
// QApplication cannot start.
bool OnlyPrints(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        for (const char *option : {"-h", "-?", "--help", "--help-all", "-v", "--version"}) {
            if (std::strcmp(argv[i], option) == 0)
                return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char *argv[])
{
    std::unique_ptr<QCoreApplication> app(OnlyPrints(argc, argv) ? new QCoreApplication(argc, argv)
                                                                 : new QApplication(argc, argv));
    QCoreApplication::setApplicationName(QStringLiteral("skirmdeck"));
    const cmdline::Result command = cmdline::Parse(
        QCoreApplication::arguments(), cmdline::Program::Window,
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
