#include "core/directory/OdbcDirectory.h"

#include "core/directory/DirectoryErrors.h"

#include <algorithm>
#include <vector>

namespace {

const QString kSource = QStringLiteral("Skirmdeck directory");

// The drivers' messages, each once, in the order given: FreeTDS puts the cause after a general record.
QString DriverMessage(const QList<OdbcDiag> &records, const QString &fallback)
{
    QStringList messages;
    for (const OdbcDiag &record : records)
        if (!record.message.isEmpty() && !messages.contains(record.message))
            messages.append(record.message);
    return messages.isEmpty() ? fallback : messages.join(QLatin1Char(' '));
}

bool AnyState(const QList<OdbcDiag> &records, const std::initializer_list<const char *> &prefixes)
{
    for (const OdbcDiag &record : records)
        for (const char *prefix : prefixes)
            if (record.state.startsWith(QLatin1String(prefix)))
                return true;
    return false;
}

// The call escape: the procedure is one of the client's own names, the arguments are markers only.
QString CallText(const QString &procedure, qsizetype argumentCount)
{
    const bool plainName = !procedure.isEmpty() && std::all_of(procedure.begin(), procedure.end(), [](QChar c) {
        return c.isLetterOrNumber() && c.unicode() < 128;
    });
    if (!plainName)
        throw RuntimeError(vberr::InvalidCall, QStringLiteral("Not a procedure name: %1").arg(procedure), kSource);
    QStringList markers;
    for (qsizetype i = 0; i < argumentCount; ++i)
        markers.append(QStringLiteral("?"));
    return QStringLiteral("{call %1(%2)}").arg(procedure, markers.join(QLatin1Char(',')));
}

// Binds each argument as wide text, by position. The lengths must outlive the execute.
bool BindArguments(const OdbcStatement &statement, const QStringList &arguments, std::vector<SQLLEN> &lengths)
{
    lengths.resize(size_t(arguments.size()));
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        lengths[size_t(i)] = SQLLEN(argument.size() * qsizetype(sizeof(SQLWCHAR)));
        const SQLRETURN rc = SQLBindParameter(statement.handle(), SQLUSMALLINT(i + 1), SQL_PARAM_INPUT, SQL_C_WCHAR,
                                              SQL_WVARCHAR, SQLULEN(qMax<qsizetype>(argument.size(), 1)), 0,
                                              OdbcText(argument), lengths[size_t(i)], &lengths[size_t(i)]);
        if (!OdbcSucceeded(rc))
            return false;
    }
    return true;
}

QList<qsizetype> ColumnIndexes(const OdbcStatement &statement, const QStringList &columns)
{
    const QStringList names = statement.columnNames();
    QList<qsizetype> indexes;
    for (const QString &column : columns) {
        qsizetype found = -1;
        for (qsizetype i = 0; i < names.size() && found < 0; ++i)
            if (names[i].compare(column, Qt::CaseInsensitive) == 0)
                found = i;
        if (found < 0)
            throw MissingColumnError(column, kSource);
        indexes.append(found + 1);
    }
    return indexes;
}

// Whether a fetch or a move to the next result found more; a failure raises the driver's error.
bool FoundMore(SQLRETURN rc, const OdbcStatement &statement)
{
    if (rc == SQL_NO_DATA)
        return false;
    if (!OdbcSucceeded(rc))
        throw ExecuteError(statement.diagnostics());
    return true;
}

QList<QStringList> ReadRows(const OdbcStatement &statement, const QStringList &columns)
{
    const QList<qsizetype> indexes = ColumnIndexes(statement, columns);
    QList<QStringList> rows;
    while (FoundMore(SQLFetch(statement.handle()), statement)) {
        QStringList row;
        row.reserve(indexes.size());
        for (qsizetype index : indexes) {
            QString value;
            if (!statement.readText(SQLUSMALLINT(index), value))
                throw ExecuteError(statement.diagnostics());
            row.append(value);
        }
        rows.append(row);
    }
    return rows;
}

SQLSMALLINT ResultColumnCount(const OdbcStatement &statement)
{
    SQLSMALLINT count = 0;
    return OdbcSucceeded(SQLNumResultCols(statement.handle(), &count)) ? count : 0;
}

// Goes on to the next result; an error the procedure raised late (after a first result) surfaces here.
bool NextResult(const OdbcStatement &statement) { return FoundMore(SQLMoreResults(statement.handle()), statement); }

} // namespace

RuntimeError ExecuteError(const QList<OdbcDiag> &records)
{
    const QString description = DriverMessage(records, QStringLiteral("The directory command failed"));
    // HYT00 is the driver's own time-out (FreeTDS); 57014 the server's statement time-out (PostgreSQL).
    if (AnyState(records, {"HYT00", "HYT01", "57014"}))
        return RuntimeError(direrr::TimedOut, description, kSource);
    // A link that dropped mid-call is a connection failure, never a procedure's own error.
    if (AnyState(records, {"08", "57P"}))
        return RuntimeError(direrr::ConnectFailed, description, kSource);
    return RuntimeError(direrr::CommandFailed, description, kSource);
}

OdbcDirectory::OdbcDirectory(const QString &connectionString, int loginTimeoutSeconds)
    : m_commandTimeout(kDirectoryCommandTimeout)
{
    if (!m_connection.connect(connectionString, loginTimeoutSeconds))
        throw RuntimeError(direrr::ConnectFailed,
                           DriverMessage(m_connection.diagnostics(), QStringLiteral("Could not connect")), kSource);
}

QList<QStringList> OdbcDirectory::call(const QString &procedure, const QStringList &arguments,
                                       const QStringList &columns)
{
    OdbcStatement statement(m_connection);
    if (!statement.isValid())
        throw RuntimeError(direrr::ConnectFailed,
                           DriverMessage(m_connection.diagnostics(), QStringLiteral("No statement handle")), kSource);
    SQLSetStmtAttr(statement.handle(), SQL_ATTR_QUERY_TIMEOUT,
                   reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(m_commandTimeout)), 0);
    const QString text = CallText(procedure, arguments.size());
    std::vector<SQLLEN> lengths;
    if (!OdbcSucceeded(SQLPrepareW(statement.handle(), OdbcText(text), SQL_NTS)) ||
        !BindArguments(statement, arguments, lengths))
        throw ExecuteError(statement.diagnostics());
    const SQLRETURN rc = SQLExecute(statement.handle());
    if (!OdbcSucceeded(rc) && rc != SQL_NO_DATA)
        throw ExecuteError(statement.diagnostics());

    QList<QStringList> rows;
    bool read = columns.isEmpty();
    bool more = true;
    while (more) {
        if (!read && ResultColumnCount(statement) > 0) {
            rows = ReadRows(statement, columns);
            read = true;
        }
        more = NextResult(statement);
    }
    return rows;
}
