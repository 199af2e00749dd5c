#include "settings/MsgBox.h"

#include <QStringList>

#include <cstdio>
#include <utility>

namespace {
MessageBoxSeam *gSeam = nullptr;

MsgResult defaultAnswer(MsgButtons buttons)
{
    switch (buttons) {
    case MsgButtons::YesNo:
    case MsgButtons::YesNoCancel: return MsgResult::Yes;
    case MsgButtons::AbortRetryIgnore: return MsgResult::Abort;
    case MsgButtons::RetryCancel: return MsgResult::Retry;
    default: return MsgResult::OK;
    }
}
} // namespace

MessageBoxSeam *setMessageBoxSeam(MessageBoxSeam *seam) { return std::exchange(gSeam, seam); }

MessageBoxSeam *messageBoxSeam() { return gSeam; }

MsgResult MsgBox(const QString &text, MsgButtons buttons, MsgIcon icon, const QString &title)
{
    if (gSeam)
        return gSeam->show(text, title, buttons, icon);
    std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(text));
    return defaultAnswer(buttons);
}

ScriptedMessageBox::ScriptedMessageBox() : m_previous(setMessageBoxSeam(this)) {}

ScriptedMessageBox::~ScriptedMessageBox() { setMessageBoxSeam(m_previous); }

MsgResult ScriptedMessageBox::show(const QString &text, const QString &title, MsgButtons buttons, MsgIcon icon)
{
    m_shown.append({text, title, buttons, icon});
    if (!m_answers.isEmpty())
        return m_answers.takeFirst();
    return defaultAnswer(buttons);
}

QStringList ScriptedMessageBox::texts() const
{
    QStringList out;
    for (const auto &m : m_shown)
        out << m.text;
    return out;
}
