#pragma once

#include "core/runtime/MsgBox.h"

#include <QList>
#include <QString>
#include <QStringList>

// One shown message box, as a test sees it.
struct ShownMessage {
    QString text;
    QString title;
    MsgButtons buttons;
    MsgIcon icon;
};

// Records every box and answers from a queue of preset answers (OK, or Yes for Yes/No boxes,
// when the queue is empty). Installs itself for its lifetime.
class ScriptedMessageBox : public MessageBoxSeam {
public:
    ScriptedMessageBox();
    ~ScriptedMessageBox() override;
    Q_DISABLE_COPY(ScriptedMessageBox)

    MsgResult show(const QString &text, const QString &title, MsgButtons buttons, MsgIcon icon) override;

    void queueAnswer(MsgResult answer) { m_answers.append(answer); }
    const QList<ShownMessage> &shown() const { return m_shown; }
    QStringList texts() const;
    void clear() { m_shown.clear(); }

private:
    MessageBoxSeam *m_previous;
    QList<MsgResult> m_answers;
    QList<ShownMessage> m_shown;
};
