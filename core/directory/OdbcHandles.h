#pragma once

#include <QList>
#include <QString>

#include <sql.h>
#include <sqlext.h>

#include <cstdint>

// One diagnostic record of an ODBC handle.
struct OdbcDiag {
    QString state;
    int32_t native = 0;
    QString message;
};

// The diagnostic records of a handle, first to last.
QList<OdbcDiag> ReadDiagnostics(SQLSMALLINT handleType, SQLHANDLE handle);

inline bool OdbcSucceeded(SQLRETURN rc) { return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO; }

// The UTF-16 text ODBC's wide entry points take (unixODBC's SQLWCHAR is 16 bits wide).
inline SQLWCHAR *OdbcText(const QString &text)
{
    static_assert(sizeof(SQLWCHAR) == sizeof(char16_t));
    return const_cast<SQLWCHAR *>(reinterpret_cast<const SQLWCHAR *>(text.utf16()));
}

// An environment and a connection handle, disconnected and freed on destruction.
class OdbcConnection {
public:
    OdbcConnection();
    ~OdbcConnection();
    OdbcConnection(const OdbcConnection &) = delete;
    OdbcConnection &operator=(const OdbcConnection &) = delete;

    // Connects without prompting; on false, diagnostics() tells why.
    bool connect(const QString &connectionString, int loginTimeoutSeconds);
    bool isConnected() const { return m_connected; }
    SQLHDBC handle() const { return m_dbc; }
    QList<OdbcDiag> diagnostics() const;

private:
    SQLHENV m_env = SQL_NULL_HENV;
    SQLHDBC m_dbc = SQL_NULL_HDBC;
    bool m_connected = false;
};

// A statement handle on an open connection, freed on destruction.
class OdbcStatement {
public:
    explicit OdbcStatement(const OdbcConnection &connection);
    ~OdbcStatement();
    OdbcStatement(const OdbcStatement &) = delete;
    OdbcStatement &operator=(const OdbcStatement &) = delete;

    bool isValid() const { return m_stmt != SQL_NULL_HSTMT; }
    SQLHSTMT handle() const { return m_stmt; }
    QList<OdbcDiag> diagnostics() const;

    // The current row's column (1-based) as text; NULL reads as the empty text.
    bool readText(SQLUSMALLINT column, QString &text) const;
    // The current result's column names, in order.
    QStringList columnNames() const;

private:
    SQLHSTMT m_stmt = SQL_NULL_HSTMT;
};
