#pragma once

#include "core/runtime/MsgBox.h"

// The message-box seam on QMessageBox.
class QtMessageBox : public MessageBoxSeam {
public:
    MsgResult show(const QString &text, const QString &title, MsgButtons buttons, MsgIcon icon) override;
};
