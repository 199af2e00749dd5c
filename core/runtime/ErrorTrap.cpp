#include "core/runtime/ErrorTrap.h"

QString FormatTrapMessage(const QString &prefix, ErrLayout layout, const RuntimeError &error)
{
    const QString number = QString::number(error.number());
    if (layout == ErrLayout::NumberFirst)
        return prefix + number + QLatin1Char(' ') + error.description();
    return prefix + error.description() + QLatin1Char(' ') + number;
}

void ShowTrapMessage(const QString &message) { MsgBox(message, MsgButtons::OK, MsgIcon::None, kAppTitle); }
