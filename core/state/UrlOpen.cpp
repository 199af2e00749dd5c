#include "core/state/UrlOpen.h"

#include <QDesktopServices>

#include <utility>

namespace {

bool OpenWithDesktop(const QUrl &url) { return QDesktopServices::openUrl(url); }

UrlOpener &CurrentOpener()
{
    static UrlOpener opener = OpenWithDesktop;
    return opener;
}

} // namespace

UrlOpener setUrlOpener(UrlOpener opener)
{
    UrlOpener previous = CurrentOpener();
    CurrentOpener() = opener ? std::move(opener) : UrlOpener(OpenWithDesktop);
    return previous;
}

bool OpenUrl(const QUrl &url) { return CurrentOpener()(url); }
