#pragma once

#include <QList>
#include <QString>

// The program's title, used on every message box that names none of its own.
inline const QString kAppTitle = QStringLiteral("Skirmdeck");

enum class MsgButtons { OK, OKCancel, AbortRetryIgnore, YesNoCancel, YesNo, RetryCancel };
enum class MsgIcon { None, Critical, Question, Exclamation, Information };
enum class MsgResult { OK = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };

// Where message boxes go: QMessageBox in the program, a scripted recorder in tests.
class MessageBoxSeam {
public:
    virtual ~MessageBoxSeam() = default;
    virtual MsgResult show(const QString &text, const QString &title, MsgButtons buttons, MsgIcon icon) = 0;
};

// Installs the seam every MsgBox call uses (not owned); returns the previous one.
MessageBoxSeam *setMessageBoxSeam(MessageBoxSeam *seam);
MessageBoxSeam *messageBoxSeam();

// Shows a message box through the installed seam. Without a seam the text goes to
// standard error and the default answer (OK or Yes) is returned.
MsgResult MsgBox(const QString &text, MsgButtons buttons = MsgButtons::OK, MsgIcon icon = MsgIcon::None,
                 const QString &title = kAppTitle);

// The answer a box gives when nobody is asked: OK, or Yes for Yes/No boxes.
MsgResult DefaultMsgAnswer(MsgButtons buttons);
