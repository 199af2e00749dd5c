#include "tests/support/ScriptedMessageBox.h"

ScriptedMessageBox::ScriptedMessageBox() : m_previous(setMessageBoxSeam(this)) {}

ScriptedMessageBox::~ScriptedMessageBox() { setMessageBoxSeam(m_previous); }

MsgResult ScriptedMessageBox::show(const QString &text, const QString &title, MsgButtons buttons, MsgIcon icon)
{
    m_shown.append({text, title, buttons, icon});
    if (!m_answers.isEmpty())
        return m_answers.takeFirst();
    return DefaultMsgAnswer(buttons);
}

QStringList ScriptedMessageBox::texts() const
{
    QStringList out;
    for (const auto &m : m_shown)
        out << m.text;
    return out;
}
