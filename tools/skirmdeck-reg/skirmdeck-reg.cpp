#include "core/settings/CommandLine.h"
#include "core/settings/WineHandoff.h"
#include "tools/skirmdeck-reg/RegTool.h"

#include <QCoreApplication>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("skirmdeck-reg"));
    cmdline::Result command = cmdline::Parse(
        QCoreApplication::arguments(), cmdline::Program::Tool,
        (QStringLiteral("Reads and writes Skirmdeck's settings file in the manner of reg.\n\nCommands:\n") +
         RegTool::commands())
            .trimmed());
    cmdline::Print(command);
    if (command.exitStatus)
        return *command.exitStatus;
    RegTool tool(cmdline::UseSettingsFile(command.options).path);
    cmdline::Result outcome;
    const int status = tool.run(command.positional);
    // The process must not end while a change is still on its way to a running Wine.
    winehandoff::WaitForAll();
    outcome.output = tool.output();
    outcome.errors = tool.errors();
    cmdline::Print(outcome);
    return status;
}
