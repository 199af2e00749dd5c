#pragma once

#include "gui/options/OptionRecord.h"

#include <QList>
#include <QStringList>

// One check box of the general options dialog and the value it edits.
using GeneralOpt = OptionRecord;

// The option tables of one game family.
struct GeneralOptTables {
    QList<GeneralOpt> GameOpts;
    QList<GeneralOpt> GraphicOpts;
    int HighestGameIndex = -1;
};

constexpr int kGameOptBoxes = 8;
constexpr int kGraphicOptBoxes = 9;
constexpr int kFullScreenIndex = 8;

// Rogue Spear and Urban Operations.
GeneralOptTables BuildRSOptTables();
// Rainbow Six and Eagle Watch: graphic slots 1 to 7 are empty records.
GeneralOptTables BuildRB6OptTables();

// The resolution list, in the order the games' own menus use.
const QStringList &ResolutionList();
