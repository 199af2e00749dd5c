#include "tests/support/ProgramState.h"

#include "core/net/Echo.h"
#include "core/runtime/MsgBox.h"
#include "core/state/AppState.h"
#include "core/state/ProcessStart.h"
#include "core/state/UrlOpen.h"

#include <QApplication>
#include <QWidget>

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
    gServerList = nullptr;
    gMissingGames.clear();

    setMessageBoxSeam(nullptr);
    setEchoSeam(nullptr);
    setProcessStarter(nullptr);
    setUrlOpener(nullptr);
    // Unset, the program's own defaults; each test names files of its own (TempHive,
    // DirectorySandbox).
    qunsetenv("SKIRMDECK_REGISTRY");
    qunsetenv("SKIRMDECK_DIRECTORY_DB");
}
