#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>

// One check box of the general options dialog and the value it edits.
struct GeneralOpt {
    QString ValueName;
    QString Caption;
    int16_t LoadedState = 0; // the box's state right after loading: 0 unchecked, 1 checked
    bool Changed = false;    // the user left the box in a state other than LoadedState
};

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
