#pragma once

#include "core/runtime/MsgBox.h"
#include "core/runtime/RuntimeError.h"

#include <exception>
#include <functional>

// The two single-line layouts of the windows' error messages.
enum class ErrLayout { NumberFirst, DescriptionFirst };

// prefix + number + " " + description, or prefix + description + " " + number.
// The prefix is taken exactly as given, so a caller that "adds a blank" passes it with one.
QString FormatTrapMessage(const QString &prefix, ErrLayout layout, const RuntimeError &error);

// Shows a handler's error message: OK button, no icon, the program's title.
void ShowTrapMessage(const QString &message);

using TrapFormatter = std::function<QString(const RuntimeError &)>;

// Runs a handler body under an error trap. On an error the message is shown and false is
// returned; whatever the body had already done stays done.
template <class Body> bool TrapWith(const TrapFormatter &format, Body &&body)
{
    try {
        body();
        return true;
    } catch (...) {
        ShowTrapMessage(format(currentError(std::current_exception())));
        return false;
    }
}

template <class Body> bool Trap(const QString &prefix, ErrLayout layout, Body &&body)
{
    return TrapWith([&](const RuntimeError &e) { return FormatTrapMessage(prefix, layout, e); },
                    std::forward<Body>(body));
}
