#include "tests/directory/DirectoryTestSupport.h"

#include "app/AppState.h"
#include "directory/OdbcHandles.h"

#include <QFile>

#include <sqlite3.h>

#include <arpa/inet.h>
#include <chrono>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace testpg {

QString ConnectionString()
{
    QFile portFile(qEnvironmentVariable("SKD_PG_STATE") + QStringLiteral("/port"));
    QString port;
    if (portFile.open(QIODevice::ReadOnly))
        port = QString::fromLatin1(portFile.readAll()).trimmed();
    return QStringLiteral("DRIVER={Skirmdeck Test PostgreSQL};SERVER=127.0.0.1;PORT=%1;"
                          "DATABASE=skirmdeck_directory;UID=dirtest")
        .arg(port);
}

bool Exec(const QString &sql)
{
    OdbcConnection connection;
    if (!connection.connect(ConnectionString(), 5))
        return false;
    OdbcStatement statement(connection);
    if (!statement.isValid())
        return false;
    // A statement that touches no row answers "no data", which is no failure.
    const SQLRETURN rc = SQLExecDirectW(statement.handle(), OdbcText(sql), SQL_NTS);
    return OdbcSucceeded(rc) || rc == SQL_NO_DATA;
}

} // namespace testpg

uint16_t ClosedLoopbackPort()
{
    // The kernel hands out a free port; once the socket is closed nothing listens there.
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof(address));
    getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length);
    close(fd);
    return ntohs(address.sin_port);
}

DirectorySandbox::DirectorySandbox()
    : m_previousDb(qgetenv("SKIRMDECK_DIRECTORY_DB")), m_hadPreviousDb(qEnvironmentVariableIsSet("SKIRMDECK_DIRECTORY_DB"))
{
    ReleaseRegUtil();
    qputenv("SKIRMDECK_DIRECTORY_DB", embeddedPath().toLocal8Bit());
}

DirectorySandbox::~DirectorySandbox()
{
    ReleaseRegUtil();
    if (m_hadPreviousDb)
        qputenv("SKIRMDECK_DIRECTORY_DB", m_previousDb);
    else
        qunsetenv("SKIRMDECK_DIRECTORY_DB");
}

QString DirectorySandbox::embeddedPath() const { return m_hive.dir() + QStringLiteral("/directory.sqlite"); }

void DirectorySandbox::useEmbedded()
{
    setSetting(QStringLiteral("DirectoryConnection"), QString());
    setSetting(QStringLiteral("DirectoryServer"), QString());
}

void DirectorySandbox::usePostgres() { setSetting(QStringLiteral("DirectoryConnection"), testpg::ConnectionString()); }

void DirectorySandbox::setSetting(const QString &name, const QString &value)
{
    gRegUtil().SaveSettingString(HKEY_LOCAL_MACHINE, kRedStormKey, name, value);
}

QString DirectorySandbox::setting(const QString &name)
{
    return gRegUtil().GetSettingString(HKEY_LOCAL_MACHINE, kRedStormKey, name, QString());
}

bool InsertExpiredPostgres(const QString &name, const QString &game, const QString &ip, const QString &key)
{
    const auto quoted = [](QString text) { return QLatin1Char('\'') + text.replace(QLatin1Char('\''), QStringLiteral("''")) + QLatin1Char('\''); };
    return testpg::Exec(QStringLiteral("INSERT INTO directory_entries (servername, gametype, ipaddress, port, mods,"
                                       " connectiontype, serverkey, source, posted) VALUES (%1, %2, %3, '2346', '',"
                                       " 'DSL', %4, %3, now() - interval '25 hours')")
                            .arg(quoted(name), quoted(game), quoted(ip), quoted(key)));
}

bool InsertExpiredEmbedded(const QString &path, const QString &name, const QString &game, const QString &ip,
                           const QString &key)
{
    sqlite3 *db = nullptr;
    if (sqlite3_open(QFile::encodeName(path).constData(), &db) != SQLITE_OK) {
        sqlite3_close(db);
        return false;
    }
    sqlite3_stmt *stmt = nullptr;
    using namespace std::chrono;
    const int64_t posted = duration_cast<microseconds>((system_clock::now() - hours(25)).time_since_epoch()).count();
    bool ok = sqlite3_prepare_v2(db,
                                 "INSERT INTO directory_entries (servername, gametype, ipaddress, port, mods,"
                                 " connectiontype, serverkey, source, posted) VALUES (?1, ?2, ?3, '2346', '', 'DSL',"
                                 " ?4, ?3, ?5)",
                                 -1, &stmt, nullptr) == SQLITE_OK;
    const QByteArray fields[] = {name.toUtf8(), game.toUtf8(), ip.toUtf8(), key.toUtf8()};
    for (int i = 0; ok && i < 4; ++i)
        ok = sqlite3_bind_text(stmt, i + 1, fields[i].constData(), int(fields[i].size()), SQLITE_TRANSIENT) == SQLITE_OK;
    ok = ok && sqlite3_bind_int64(stmt, 5, posted) == SQLITE_OK && sqlite3_step(stmt) == SQLITE_DONE;
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return ok;
}
