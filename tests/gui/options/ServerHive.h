#pragma once

#include "tests/support/ScriptedMessageBox.h"
#include "tests/support/TestSupport.h"

#include <QMap>
#include <QString>
#include <QStringList>

#include <cstdint>

// Hive texts and read-backs for the option dialogs' tests.

// A string value line: "name"="text".
QString Sz(const QString &name, const QString &text);
// A 32-bit number value line.
QString Dword(const QString &name, int32_t number);

// Every value of the Red Storm key ("~Name") and the two game keys (the game's by the bare name,
// the other's as "Rogue Spear\Name"), read back through a fresh store: "sz:text" / "dword:n".
QMap<QString, QString> HiveSnapshot(const QString &hivePath, const QString &game);

// A hive holding the program's own key and a game's key with the given lines (in a 64-bit
// prefix where Wine puts a 32-bit program's keys), that game the current one, every message box
// recorded; changes() is what was stored since, sorted, named as by HiveSnapshot: "Name=sz:True",
// "~Name=<deleted>".
struct OptionsDesk {
    OptionsDesk(const QString &game, const QStringList &gameLines, const QStringList &ownLines, bool win64 = false);
    ~OptionsDesk();
    Q_DISABLE_COPY(OptionsDesk)
    QStringList changes() const;

    const QString game;
    TempHive hive;
    ScriptedMessageBox messages;
    const QMap<QString, QString> before;
};
