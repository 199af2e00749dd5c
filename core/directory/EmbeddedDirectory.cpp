#include "core/directory/EmbeddedDirectory.h"

#include "core/directory/DirectoryErrors.h"

#include <QDir>
#include <QFileInfo>

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdint>

namespace {

const QString kSource = QStringLiteral("Skirmdeck embedded directory");

// An entry lives this long after it was posted or last refreshed.
constexpr int64_t kLifetimeMicroseconds = int64_t(24) * 60 * 60 * 1000 * 1000;

const QStringList kResultColumns = {QStringLiteral("ServerName"), QStringLiteral("IPAddress"), QStringLiteral("Port"),
                                    QStringLiteral("Mods")};

int64_t NowMicroseconds()
{
    using namespace std::chrono;
    return duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
}

// The error a failed SQLite step stands for, in the numbers the ODBC directory uses.
RuntimeError SqliteError(sqlite3 *db, int code)
{
    const QString description = QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(code));
    switch (code & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED: return RuntimeError(direrr::TimedOut, description, kSource);
    case SQLITE_CONSTRAINT: return RuntimeError(direrr::CommandFailed, description, kSource);
    default:
        // The file itself is unusable (unreadable, full, damaged): the directory cannot be reached.
        return RuntimeError(direrr::ConnectFailed, description, kSource);
    }
}

// One prepared statement, finalized on destruction.
class Statement {
public:
    Statement(sqlite3 *db, const char *sql) : m_db(db)
    {
        const int rc = sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr);
        if (rc != SQLITE_OK)
            throw SqliteError(db, rc);
    }
    ~Statement() { sqlite3_finalize(m_stmt); }
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    Statement &bind(int index, const QString &text)
    {
        const QByteArray utf8 = text.toUtf8();
        check(sqlite3_bind_text(m_stmt, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT));
        return *this;
    }
    // Binds texts to the first parameters, in order.
    Statement &bindAll(const QStringList &texts)
    {
        for (int i = 0; i < int(texts.size()); ++i)
            bind(i + 1, texts[i]);
        return *this;
    }
    Statement &bind(int index, int64_t value)
    {
        check(sqlite3_bind_int64(m_stmt, index, value));
        return *this;
    }
    // true while a row is there.
    bool step()
    {
        const int rc = sqlite3_step(m_stmt);
        if (rc == SQLITE_ROW)
            return true;
        if (rc != SQLITE_DONE)
            throw SqliteError(m_db, rc);
        return false;
    }
    QString text(int column) const
    {
        const auto *data = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, column));
        return QString::fromUtf8(data, sqlite3_column_bytes(m_stmt, column));
    }

private:
    void check(int rc) const
    {
        if (rc != SQLITE_OK)
            throw SqliteError(m_db, rc);
    }

    sqlite3 *m_db;
    sqlite3_stmt *m_stmt = nullptr;
};

void Execute(sqlite3 *db, const char *sql)
{
    Statement statement(db, sql);
    while (statement.step()) {
    }
}

// A write transaction that is rolled back unless committed.
class WriteTransaction {
public:
    explicit WriteTransaction(sqlite3 *db) : m_db(db) { Execute(db, "BEGIN IMMEDIATE"); }
    ~WriteTransaction()
    {
        if (!m_done)
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    WriteTransaction(const WriteTransaction &) = delete;
    WriteTransaction &operator=(const WriteTransaction &) = delete;

    void commit()
    {
        Execute(m_db, "COMMIT");
        m_done = true;
    }

private:
    sqlite3 *m_db;
    bool m_done = false;
};

void RequireArguments(const QString &procedure, const QStringList &arguments, qsizetype count)
{
    if (arguments.size() != count)
        throw RuntimeError(
            direrr::CommandFailed,
            QStringLiteral("%1 takes %2 arguments, %3 given").arg(procedure).arg(count).arg(arguments.size()), kSource);
}

QList<int> ResultIndexes(const QStringList &columns)
{
    QList<int> indexes;
    for (const QString &column : columns) {
        const auto found = std::find_if(kResultColumns.begin(), kResultColumns.end(), [&](const QString &name) {
            return name.compare(column, Qt::CaseInsensitive) == 0;
        });
        if (found == kResultColumns.end())
            throw MissingColumnError(column, kSource);
        indexes.append(int(found - kResultColumns.begin()));
    }
    return indexes;
}

} // namespace

EmbeddedDirectory::EmbeddedDirectory(const QString &path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK) {
        const RuntimeError error = SqliteError(m_db, rc);
        sqlite3_close(m_db);
        m_db = nullptr;
        throw RuntimeError(direrr::ConnectFailed, error.description(), kSource);
    }
    // Another program on this computer writing at the same moment is waited for, as long as a command may run.
    sqlite3_busy_timeout(m_db, kDirectoryCommandTimeout * 1000);
    try {
        createSchema();
    } catch (const RuntimeError &error) {
        sqlite3_close(m_db);
        m_db = nullptr;
        throw RuntimeError(error.number() == direrr::TimedOut ? direrr::TimedOut : direrr::ConnectFailed,
                           error.description(), kSource);
    }
}

EmbeddedDirectory::~EmbeddedDirectory() { sqlite3_close(m_db); }

void EmbeddedDirectory::createSchema()
{
    Execute(m_db, "CREATE TABLE IF NOT EXISTS directory_entries ("
                  " entry_id INTEGER PRIMARY KEY AUTOINCREMENT,"
                  " servername TEXT NOT NULL, gametype TEXT NOT NULL, ipaddress TEXT NOT NULL,"
                  " port TEXT NOT NULL, mods TEXT NOT NULL, connectiontype TEXT NOT NULL,"
                  " serverkey TEXT NOT NULL, source TEXT NOT NULL,"
                  " posted INTEGER NOT NULL)");
    Execute(m_db, "CREATE UNIQUE INDEX IF NOT EXISTS directory_entries_ipaddress ON directory_entries (ipaddress)");
    Execute(m_db, "CREATE INDEX IF NOT EXISTS directory_entries_game ON directory_entries (gametype, posted)");
}

QList<QStringList> EmbeddedDirectory::call(const QString &procedure, const QStringList &arguments,
                                           const QStringList &columns)
{
    const auto is = [&](const char *name) { return procedure.compare(QLatin1String(name), Qt::CaseInsensitive) == 0; };
    if (is("ActiveServers"))
        return activeServers(arguments, columns);
    if (is("AddServer"))
        addServer(arguments);
    else if (is("DeleteServer"))
        deleteServer(arguments);
    else if (is("DeleteServerPWed"))
        deleteServerPWed(arguments);
    else if (is("UpdateServer"))
        updateServer(arguments);
    else
        throw RuntimeError(direrr::CommandFailed, QStringLiteral("No procedure named %1").arg(procedure), kSource);
    return {};
}

QList<QStringList> EmbeddedDirectory::activeServers(const QStringList &arguments, const QStringList &columns)
{
    RequireArguments(QStringLiteral("ActiveServers"), arguments, 1);
    const QList<int> indexes = ResultIndexes(columns);
    Statement query(m_db, "SELECT servername, ipaddress, port, mods FROM directory_entries"
                          " WHERE gametype = ?1 AND posted >= ?2 ORDER BY posted DESC, entry_id DESC");
    query.bind(1, arguments[0]).bind(2, NowMicroseconds() - kLifetimeMicroseconds);
    QList<QStringList> rows;
    while (query.step()) {
        QStringList row;
        for (int index : indexes)
            row.append(query.text(index));
        rows.append(row);
    }
    return rows;
}

void EmbeddedDirectory::addServer(const QStringList &arguments)
{
    RequireArguments(QStringLiteral("AddServer"), arguments, 8);
    const int64_t now = NowMicroseconds();
    WriteTransaction transaction(m_db);
    // Expired entries go first, so that an address whose entry has lapsed can be posted again.
    Statement(m_db, "DELETE FROM directory_entries WHERE posted < ?1").bind(1, now - kLifetimeMicroseconds).step();
    Statement listed(m_db, "SELECT 1 FROM directory_entries WHERE ipaddress = ?1");
    if (listed.bind(1, arguments[2]).step())
        throw RuntimeError(direrr::CommandFailed,
                           QStringLiteral("%1: a server with the address %2 is already listed")
                               .arg(kAlreadyListedMarker, arguments[2]),
                           kSource);
    Statement insert(m_db, "INSERT INTO directory_entries (servername, gametype, ipaddress, port, mods,"
                           " connectiontype, serverkey, source, posted) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)");
    insert.bindAll(arguments).bind(9, now).step();
    transaction.commit();
}

void EmbeddedDirectory::deleteServer(const QStringList &arguments)
{
    RequireArguments(QStringLiteral("DeleteServer"), arguments, 1);
    Statement(m_db, "DELETE FROM directory_entries WHERE ipaddress = ?1").bind(1, arguments[0]).step();
}

void EmbeddedDirectory::deleteServerPWed(const QStringList &arguments)
{
    RequireArguments(QStringLiteral("DeleteServerPWed"), arguments, 3);
    Statement(m_db, "DELETE FROM directory_entries WHERE ipaddress = ?1 AND serverkey = ?2 AND source = ?3")
        .bindAll(arguments)
        .step();
}

void EmbeddedDirectory::updateServer(const QStringList &arguments)
{
    RequireArguments(QStringLiteral("UpdateServer"), arguments, 3);
    Statement(m_db, "UPDATE directory_entries SET posted = ?4 WHERE ipaddress = ?1 AND serverkey = ?2 AND source = ?3")
        .bindAll(arguments)
        .bind(4, NowMicroseconds())
        .step();
}
