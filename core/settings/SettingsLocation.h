#pragma once

#include <QString>

// Which settings file the program and its tools work on. The first rule that applies wins:
// --registry FILE, SKIRMDECK_REGISTRY, --prefix DIR (DIR/system.reg), WINEPREFIX when it holds
// a system.reg, ~/.wine/system.reg when it exists, and last the file in the program's data
// folder (created on first write).
namespace settingsfile {

// Everything the choice depends on, so that it can be made for any home folder.
struct Sources {
    QString registryOption; // --registry
    QString prefixOption;   // --prefix
    QString registryEnv;    // SKIRMDECK_REGISTRY
    QString winePrefixEnv;  // WINEPREFIX
    QString homeFolder;
    QString dataFolder; // the program's data folder
};

struct Choice {
    QString path;
    // The rule that chose it, as the user would name it: "--registry", "WINEPREFIX", ...
    QString rule;
};

// The program's own data folder (~/.local/share/skirmdeck), whatever the program's name.
QString dataFolder();

// The environment, the home folder and the data folder of this process, with these options.
Sources currentSources(const QString &registryOption = QString(), const QString &prefixOption = QString());

Choice choose(const Sources &sources);

// The file this process uses: the one fixed by useChoice(), else the choice without options.
Choice current();
// Fixes the file for the rest of the run (the program does this once, from its command line).
void useChoice(const Choice &choice);

// For people: the file and the rule that chose it, "/path/system.reg (from WINEPREFIX)".
QString describe(const Choice &choice);

} // namespace settingsfile
