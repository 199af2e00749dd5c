#include "tests/support/ProgramState.h"

#include "core/net/Echo.h"
#include "core/runtime/MsgBox.h"
#include "core/state/AppState.h"
#include "core/state/ProcessStart.h"
#include "core/state/UrlOpen.h"

#include <QApplication>
#include <QWidget>

#include <optional>
#include <vector>

namespace {

// Where the program finds its settings hive and its embedded directory.
const char *const kFileVariables[] = {"SKIRMDECK_REGISTRY", "SKIRMDECK_DIRECTORY_DB"};

struct Variable {
    const char *name;
    std::optional<QByteArray> value;
};

std::vector<Variable> ReadVariables()
{
    std::vector<Variable> read;
    for (const char *name : kFileVariables)
        read.push_back({name, qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt});
    return read;
}

// As the test program found them, read before any test ran.
const std::vector<Variable> kVariablesAtStart = ReadVariables();

} // namespace

void ResetProgramState()
{
    // Chosen before any is deleted: deleting a window also deletes the windows it owns (its
    // dialogs, the pop-ups of its lists), which are listed as well.
    QWidgetList selfDeleting;
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (!window->parentWidget() && window->testAttribute(Qt::WA_DeleteOnClose))
            selfDeleting.append(window);
    }
    qDeleteAll(selfDeleting);
    ReleaseRegUtil();
    gGameType.clear();
    gRegistry.clear();
    gRSPath.clear();
    gRB6Path.clear();
    gRSInstalled = gUOInstalled = gRB6Installed = gEWInstalled = false;
    gUnloadOnStart = false;
    gSocketTimeOut.clear();
    gStartDir.clear();
    gMain = nullptr;

    setMessageBoxSeam(nullptr);
    setEchoSeam(nullptr);
    setProcessStarter(nullptr);
    setUrlOpener(nullptr);
    for (const Variable &variable : kVariablesAtStart) {
        if (variable.value)
            qputenv(variable.name, *variable.value);
        else
            qunsetenv(variable.name);
    }
}
