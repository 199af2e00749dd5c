#pragma once

#include <QString>

// Makes folder the process's current folder, creating it when missing, so that the main window
// takes it as gStartDir, where the favourites files live. Returns "" on success, otherwise a
// message that names the folder and the reason.
QString EnterStartFolder(const QString &folder);
