#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// One open connection to a server directory. Failures raise RuntimeError with the numbers
// of DirectoryErrors.h.
class DirectoryConnection {
public:
    virtual ~DirectoryConnection() = default;

    // Runs one of the directory's stored procedures with its arguments (all text, in the
    // procedure's parameter order) and returns, for each result row, the named columns in the
    // order asked for. Column names match without regard to case. Without columns no result is read.
    virtual QList<QStringList> call(const QString &procedure, const QStringList &arguments,
                                    const QStringList &columns) = 0;
};
