#include "core/runtime/MsgBox.h"

#include <cstdio>
#include <utility>

namespace {
MessageBoxSeam *gSeam = nullptr;
} // namespace

MsgResult DefaultMsgAnswer(MsgButtons buttons)
{
    switch (buttons) {
    case MsgButtons::YesNo:
    case MsgButtons::YesNoCancel: return MsgResult::Yes;
    case MsgButtons::AbortRetryIgnore: return MsgResult::Abort;
    case MsgButtons::RetryCancel: return MsgResult::Retry;
    default: return MsgResult::OK;
    }
}

MessageBoxSeam *setMessageBoxSeam(MessageBoxSeam *seam) { return std::exchange(gSeam, seam); }

MessageBoxSeam *messageBoxSeam() { return gSeam; }

MsgResult MsgBox(const QString &text, MsgButtons buttons, MsgIcon icon, const QString &title)
{
    if (gSeam)
        return gSeam->show(text, title, buttons, icon);
    std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(text));
    return DefaultMsgAnswer(buttons);
}
