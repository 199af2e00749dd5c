#pragma once

#include <QString>

#include <array>
#include <cstdint>

// One on/off session option of the server dialog.
struct ServerOpt {
    QString RegName;
    QString Caption;
    int16_t Value = 0;    // the box's state right after loading: 0 unchecked, 1 checked
    bool Changed = false; // the user left the box in a state other than Value
};

// One slot per box of the chkServerOpts control array.
constexpr int kServerOptCount = 13;
constexpr int kUsePasswordIndex = 12;
using ServerOptTable = std::array<ServerOpt, kServerOptCount>;

// The twelve options of Rogue Spear and Urban Operations, plus "Use Password".
ServerOptTable RSServerOptTable();
// The six options of Rainbow Six and Eagle Watch, plus "Use Password"; slots 6 to 11 stay empty.
ServerOptTable RB6ServerOptTable();
