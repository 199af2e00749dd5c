#pragma once

#include "core/directory/DirectoryClient.h"

#include <QList>
#include <QString>

#include <optional>

// How skirmdeck-dir list prints the entries: one server a line in each format.
enum class ServerListFormat {
    Text, // columns padded with blanks, for people
    Tsv,  // name, address, port and mods separated by tabs; \ tab CR LF written as \\ \t \r \n
    Json, // a JSON array with one object a line, keyed by the directory's column names
};

std::optional<ServerListFormat> ParseServerListFormat(const QString &name);

QString FormatServerList(const QList<DbServerRow> &rows, ServerListFormat format);
