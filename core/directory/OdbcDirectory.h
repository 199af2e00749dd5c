#pragma once

#include "core/directory/DirectoryConnection.h"
#include "core/directory/OdbcHandles.h"
#include "core/runtime/RuntimeError.h"

// A directory reached through an ODBC driver (SQL Server through FreeTDS, PostgreSQL through
// psqlODBC). The connection is opened by the constructor and closed by the destructor.
class OdbcDirectory : public DirectoryConnection {
public:
    // Raises the connect error when the driver cannot be loaded, the host not reached or the login refused.
    explicit OdbcDirectory(const QString &connectionString, int loginTimeoutSeconds);

    QList<QStringList> call(const QString &procedure, const QStringList &arguments,
                            const QStringList &columns) override;

    // The command time-out in seconds (the default is the directory's own).
    void setCommandTimeout(int seconds) { m_commandTimeout = seconds; }

private:
    OdbcConnection m_connection;
    int m_commandTimeout;
};

// The RuntimeError a failed execute stands for, from its diagnostic records.
RuntimeError ExecuteError(const QList<OdbcDiag> &records);
