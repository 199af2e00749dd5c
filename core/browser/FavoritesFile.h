#pragma once

#include "core/browser/ServerRow.h"

#include <QByteArray>
#include <QList>
#include <QString>

// What a favourites file holds: its complete records (name, address, port, mods; nothing
// else of the row) and whether the file ended inside a record.
struct FavoritesContent {
    QList<ServerRow> records;
    bool endsInsideRecord = false;
};

// The text of a favourites file: UTF-8, or Windows-1252 when the bytes are not valid UTF-8
// (files carried over from Windows).
QString DecodeFavorites(const QByteArray &bytes);

// Fields are separated by commas or line ends and taken in groups of four. A quoted field runs
// to its closing quote, a doubled quote inside it standing for one quote; an unquoted field runs
// to the next comma or line end, trailing blanks included. A comma before a line end or the end
// of the text leaves an empty field there. Blanks before a field and blank lines are skipped.
FavoritesContent ParseFavorites(const QString &text);

// Every field in double quotes (a quote inside doubled), commas between, CR LF after each
// record, UTF-8. An empty list is an empty file.
QByteArray FormatFavorites(const QList<ServerRow> &rows);

// One game's favourites file. The path is fixed when the object is made, so a list read for
// one game can only ever be written back to that game's file.
class FavoritesFile {
public:
    FavoritesFile(const QString &startDir, const QString &game);

    const QString &path() const { return m_path; }
    const QString &game() const { return m_game; }

    // Error 53 when the file does not exist, 75 when it cannot be read.
    FavoritesContent Read() const;
    // Replaces the file as a whole: a failed or interrupted save leaves the old file. Raises
    // 76 (missing folder), 70 (not permitted) or 57 (write or replace failed).
    void Write(const QList<ServerRow> &rows) const;

private:
    QString m_game;
    QString m_path;
};
