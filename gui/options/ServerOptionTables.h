#pragma once

#include "gui/options/OptionRecord.h"

#include <array>

// One on/off session option of the server dialog.
using ServerOpt = OptionRecord;

// One slot per box of the chkServerOpts control array.
constexpr int kServerOptCount = 13;
constexpr int kUsePasswordIndex = 12;
using ServerOptTable = std::array<ServerOpt, kServerOptCount>;

// The twelve options of Rogue Spear and Urban Operations, plus "Use Password".
ServerOptTable RSServerOptTable();
// The six options of Rainbow Six and Eagle Watch, plus "Use Password"; slots 6 to 11 stay empty.
ServerOptTable RB6ServerOptTable();
