#pragma once

#include "tests/support/ScriptedMessageBox.h"
#include "tests/support/TestSupport.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <cstdint>

// Hive texts and read-backs for the option dialogs' tests.

struct HiveKeyText {
    QString key; // as the program names it, e.g. "SOFTWARE\Red Storm Entertainment\Rogue Spear"
    QStringList lines;
};

// A hive holding the given keys and value lines: 32-bit, or a 64-bit one with the keys where
// Wine puts a 32-bit program's.
QByteArray BuildHive(const QList<HiveKeyText> &keys, bool win64 = false);
// A string value line: "name"="text".
QString Sz(const QString &name, const QString &text);
// A 32-bit number value line.
QString Dword(const QString &name, int32_t number);

// Every value of the Red Storm key and the two game keys, read back through a fresh store:
// "Rogue Spear\Name" -> "sz:text" / "dword:n".
QMap<QString, QString> HiveSnapshot(const QString &hivePath);
// What changed between two snapshots, sorted: "Rogue Spear\Name=sz:True", "...=<deleted>".
QStringList HiveChanges(const QMap<QString, QString> &before, const QMap<QString, QString> &after);

// The key of a game's own settings.
QString GameKey(const QString &game);

// A hive holding the program's own key and a game's key with the given lines, that game the
// current one, every message box recorded; changes() is what was stored since.
struct OptionsDesk {
    OptionsDesk(const QString &game, const QStringList &gameLines, const QStringList &ownLines, bool win64 = false);
    ~OptionsDesk();
    OptionsDesk(const OptionsDesk &) = delete;
    OptionsDesk &operator=(const OptionsDesk &) = delete;
    QStringList changes() const { return HiveChanges(before, HiveSnapshot(hive.path())); }

    TempHive hive;
    ScriptedMessageBox messages;
    const QMap<QString, QString> before;
};
