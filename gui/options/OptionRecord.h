#pragma once

#include <QString>

#include <cstdint>

class QCheckBox;

// One on/off option box of an options dialog and the stored value it edits.
struct OptionRecord {
    QString ValueName;
    QString Caption;
    int16_t LoadedState = 0; // the box's state right after loading: 0 unchecked, 1 checked
    bool Changed = false;    // the user left the box in a state other than LoadedState
};

// Shows the record's caption and the stored state under key. A stored text that is no on/off
// text stops here, after the caption is set and before the state is.
void LoadOptionBox(OptionRecord &opt, QCheckBox *box, const QString &key);
// Stores the box's state under key, only when the user changed it.
void WriteOptionBox(const OptionRecord &opt, const QCheckBox *box, const QString &key);
