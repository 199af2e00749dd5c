#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <cstdint>

// Hive texts and read-backs for the server dialogs' tests.

struct HiveKeyText {
    QString key; // as the program names it, e.g. "SOFTWARE\Red Storm Entertainment\Rogue Spear"
    QStringList lines;
};

// A 32-bit hive holding the given keys and value lines.
QByteArray BuildHive(const QList<HiveKeyText> &keys);
// A string value line: "name"="text".
QString Sz(const QString &name, const QString &text);
// A 32-bit number value line.
QString Dword(const QString &name, int32_t number);

// Every value of the Red Storm key and the two game keys, read back through a fresh store:
// "Rogue Spear\Name" -> "sz:text" / "dword:n".
QMap<QString, QString> HiveSnapshot(const QString &hivePath);
// What changed between two snapshots, sorted: "Rogue Spear\Name=sz:True", "...=<deleted>".
QStringList HiveChanges(const QMap<QString, QString> &before, const QMap<QString, QString> &after);
