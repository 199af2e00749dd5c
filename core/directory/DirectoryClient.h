#pragma once

#include "core/directory/DirectoryConnection.h"

#include <QList>
#include <QString>

#include <memory>

// One entry as the server list shows it.
struct DbServerRow {
    QString name;
    QString ip;
    QString port;
    QString mods;
};

// Where directory calls go, decided from the settings under "SOFTWARE\Red Storm Entertainment"
// each time a call is made:
// - "DirectoryConnection", when not empty, is the whole ODBC connection string;
// - otherwise "DirectoryServer", when not empty, names the SQL Server host of the classic string;
// - otherwise the embedded directory file is used.
struct DirectoryTarget {
    QString connectionString; // empty for the embedded directory
    QString embeddedPath;
    bool embedded() const { return connectionString.isEmpty(); }
};
DirectoryTarget CurrentDirectoryTarget();

// The classic connection string for a SQL Server directory host.
QString SqlServerConnectionString(const QString &host);

// The embedded directory's file, for the program and its tools alike: SKIRMDECK_DIRECTORY_DB when set;
// otherwise "directory.sqlite" beside the settings file when one is there already; otherwise "directory.sqlite"
// in the program's data folder, whatever settings file is chosen.
QString EmbeddedDirectoryPath();

// Opens a connection to the current target; raises the connect error on failure.
std::unique_ptr<DirectoryConnection> OpenDirectory();

// The five directory procedures. Each opens its own connection and releases it before
// returning; failures raise RuntimeError with the numbers of DirectoryErrors.h.
QList<DbServerRow> ActiveServers(const QString &gametype);
void AddServer(const QString &serverName, const QString &gametype, const QString &ipAddress, const QString &port,
               const QString &mods, const QString &connectionType, const QString &serverKey, const QString &source);
void DeleteServer(const QString &ipAddress);
void DeleteServerPWed(const QString &ipAddress, const QString &serverKey, const QString &source);
void UpdateServer(const QString &ipAddress, const QString &serverKey, const QString &source);
