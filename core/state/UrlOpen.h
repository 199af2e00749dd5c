#pragma once

#include <QUrl>

#include <functional>

// Opens a web page in the user's browser; false when nothing could open it.
using UrlOpener = std::function<bool(const QUrl &)>;

// Installs how web pages are opened and returns the previous opener. The program uses the
// desktop's default handler; tests put a recorder here so no browser starts. An empty
// opener restores the desktop's.
UrlOpener setUrlOpener(UrlOpener opener);

// Opens the page through the installed opener.
bool OpenUrl(const QUrl &url);
