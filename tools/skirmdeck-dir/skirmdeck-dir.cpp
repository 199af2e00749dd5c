#include "core/settings/CommandLine.h"
#include "core/settings/WineHandoff.h"
#include "tools/skirmdeck-dir/DirTool.h"

#include <QCoreApplication>

// No display is needed: only the core libraries run, under a QCoreApplication.
int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("skirmdeck-dir"));
    const cmdline::Result command = cmdline::Parse(
        QCoreApplication::arguments(), cmdline::Program::Tool,
        QStringLiteral("Lists, posts, re-announces and removes servers in Skirmdeck's server directory.\n\n") +
            DirTool::usage());
    cmdline::Print(command);
    if (command.exitStatus)
        return *command.exitStatus;
    cmdline::UseSettingsFile(command.options);
    DirTool tool;
    const int status = tool.run(command.positional);
    // The process must not end while a change is still on its way to a running Wine.
    winehandoff::WaitForAll();
    cmdline::Result outcome;
    outcome.output = tool.output();
    outcome.errors = tool.errors();
    cmdline::Print(outcome);
    return status;
}
