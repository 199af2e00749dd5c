#include "core/directory/OdbcHandles.h"

#include <QStringList>

#include <algorithm>
#include <array>

namespace {

QString FromOdbcText(const SQLWCHAR *text, qsizetype length)
{
    return QString::fromUtf16(reinterpret_cast<const char16_t *>(text), length);
}

// A reported text length, kept within the buffer that received it (less its NUL).
qsizetype Within(SQLSMALLINT reported, size_t bufferSize)
{
    return std::clamp<qsizetype>(reported, 0, qsizetype(bufferSize) - 1);
}

} // namespace

QList<OdbcDiag> ReadDiagnostics(SQLSMALLINT handleType, SQLHANDLE handle)
{
    QList<OdbcDiag> records;
    if (handle == SQL_NULL_HANDLE)
        return records;
    for (SQLSMALLINT record = 1;; ++record) {
        std::array<SQLWCHAR, 6> state{};
        SQLINTEGER native = 0;
        std::array<SQLWCHAR, 1024> message{};
        SQLSMALLINT messageLength = 0;
        const SQLRETURN rc = SQLGetDiagRecW(handleType, handle, record, state.data(), &native, message.data(),
                                            SQLSMALLINT(message.size()), &messageLength);
        if (!OdbcSucceeded(rc))
            break;
        const qsizetype shown = Within(messageLength, message.size());
        records.append({FromOdbcText(state.data(), 5), native, FromOdbcText(message.data(), shown)});
    }
    return records;
}

OdbcConnection::OdbcConnection()
{
    if (!OdbcSucceeded(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &m_env))) {
        m_env = SQL_NULL_HENV;
        return;
    }
    // ODBC 3 behaviour, so that drivers report today's SQLSTATEs (HYT00 rather than S1T00).
    SQLSetEnvAttr(m_env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    if (!OdbcSucceeded(SQLAllocHandle(SQL_HANDLE_DBC, m_env, &m_dbc)))
        m_dbc = SQL_NULL_HDBC;
}

OdbcConnection::~OdbcConnection()
{
    if (m_connected)
        SQLDisconnect(m_dbc);
    if (m_dbc != SQL_NULL_HDBC)
        SQLFreeHandle(SQL_HANDLE_DBC, m_dbc);
    if (m_env != SQL_NULL_HENV)
        SQLFreeHandle(SQL_HANDLE_ENV, m_env);
}

bool OdbcConnection::connect(const QString &connectionString, int loginTimeoutSeconds)
{
    if (m_dbc == SQL_NULL_HDBC || m_connected)
        return m_connected;
    SQLSetConnectAttr(m_dbc, SQL_ATTR_LOGIN_TIMEOUT,
                      reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(loginTimeoutSeconds)), 0);
    std::array<SQLWCHAR, 1024> completed{};
    SQLSMALLINT completedLength = 0;
    const SQLRETURN rc = SQLDriverConnectW(m_dbc, nullptr, OdbcText(connectionString), SQL_NTS, completed.data(),
                                           SQLSMALLINT(completed.size()), &completedLength, SQL_DRIVER_NOPROMPT);
    m_connected = OdbcSucceeded(rc);
    return m_connected;
}

QList<OdbcDiag> OdbcConnection::diagnostics() const
{
    if (m_dbc == SQL_NULL_HDBC)
        return ReadDiagnostics(SQL_HANDLE_ENV, m_env);
    return ReadDiagnostics(SQL_HANDLE_DBC, m_dbc);
}

OdbcStatement::OdbcStatement(const OdbcConnection &connection)
{
    if (!connection.isConnected() || !OdbcSucceeded(SQLAllocHandle(SQL_HANDLE_STMT, connection.handle(), &m_stmt)))
        m_stmt = SQL_NULL_HSTMT;
}

OdbcStatement::~OdbcStatement()
{
    if (m_stmt != SQL_NULL_HSTMT) {
        SQLFreeStmt(m_stmt, SQL_CLOSE);
        SQLFreeHandle(SQL_HANDLE_STMT, m_stmt);
    }
}

QList<OdbcDiag> OdbcStatement::diagnostics() const { return ReadDiagnostics(SQL_HANDLE_STMT, m_stmt); }

bool OdbcStatement::readText(SQLUSMALLINT column, QString &text) const
{
    text.clear();
    std::array<SQLWCHAR, 512> chunk{};
    for (;;) {
        SQLLEN available = 0;
        const SQLRETURN rc = SQLGetData(m_stmt, column, SQL_C_WCHAR, chunk.data(), SQLLEN(sizeof(chunk)), &available);
        if (rc == SQL_NO_DATA)
            return true;
        if (!OdbcSucceeded(rc))
            return false;
        if (available == SQL_NULL_DATA)
            return true;
        // A long value arrives in pieces; each full piece ends with the terminating NUL.
        const qsizetype capacity = qsizetype(chunk.size()) - 1;
        const bool whole = available != SQL_NO_TOTAL && available / qsizetype(sizeof(SQLWCHAR)) <= capacity;
        const qsizetype length = whole ? available / qsizetype(sizeof(SQLWCHAR)) : capacity;
        text += FromOdbcText(chunk.data(), length);
        if (rc == SQL_SUCCESS)
            return true;
    }
}

QStringList OdbcStatement::columnNames() const
{
    QStringList names;
    SQLSMALLINT count = 0;
    if (!OdbcSucceeded(SQLNumResultCols(m_stmt, &count)))
        return names;
    for (SQLUSMALLINT column = 1; column <= SQLUSMALLINT(count); ++column) {
        std::array<SQLWCHAR, 256> name{};
        SQLSMALLINT nameLength = 0;
        SQLSMALLINT type = 0;
        SQLULEN size = 0;
        SQLSMALLINT digits = 0;
        SQLSMALLINT nullable = 0;
        SQLDescribeColW(m_stmt, column, name.data(), SQLSMALLINT(name.size()), &nameLength, &type, &size, &digits,
                        &nullable);
        names.append(FromOdbcText(name.data(), Within(nameLength, name.size())));
    }
    return names;
}
