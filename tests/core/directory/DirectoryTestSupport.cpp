#include "tests/core/directory/DirectoryTestSupport.h"

#include "core/state/AppState.h"
#include "core/directory/OdbcHandles.h"

#include <QFile>
#include <QTcpServer>

#include <sqlite3.h>

namespace testpg {

QString ConnectionString(const QString &port)
{
    QFile portFile(qEnvironmentVariable("SKD_PG_STATE") + QStringLiteral("/port"));
    const QString ownPort = portFile.open(QIODevice::ReadOnly) ? QString::fromLatin1(portFile.readAll()).trimmed()
                                                               : QString();
    return QStringLiteral("DRIVER={Skirmdeck Test PostgreSQL};SERVER=127.0.0.1;PORT=%1;"
                          "DATABASE=skirmdeck_directory;UID=dirtest")
        .arg(port.isEmpty() ? ownPort : port);
}

bool Exec(const QString &sql)
{
    OdbcConnection connection;
    if (!connection.connect(ConnectionString(), 5))
        return false;
    OdbcStatement statement(connection);
    // A statement that touches no row answers "no data", which is no failure.
    const SQLRETURN rc = SQLExecDirectW(statement.handle(), OdbcText(sql), SQL_NTS);
    return OdbcSucceeded(rc) || rc == SQL_NO_DATA;
}

bool Reset() { return Exec(QStringLiteral("TRUNCATE directory_entries, directory_posts")); }

} // namespace testpg

QString ClosedLoopbackPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    return QString::number(server.serverPort());
}

DirectorySandbox::DirectorySandbox()
{
    ReleaseRegUtil();
    qputenv("SKIRMDECK_DIRECTORY_DB", embeddedPath().toLocal8Bit());
}

DirectorySandbox::~DirectorySandbox()
{
    ReleaseRegUtil();
    qunsetenv("SKIRMDECK_DIRECTORY_DB");
}

void DirectorySandbox::setSetting(const QString &name, const QString &value)
{
    gRegUtil().SaveSettingString(HKEY_LOCAL_MACHINE, kRedStormKey, name, value);
}

QString DirectorySandbox::setting(const QString &name)
{
    return gRegUtil().GetSettingString(HKEY_LOCAL_MACHINE, kRedStormKey, name, QString());
}

bool InsertExpired(const QString &name, const QString &ip, const QString &key, const QString &embeddedPath)
{
    // PostgreSQL keeps a time stamp, the embedded file microseconds since 1970.
    const QString posted = embeddedPath.isEmpty()
                               ? QStringLiteral("now() - interval '25 hours'")
                               : QStringLiteral(
                                     "CAST((julianday('now') - 2440587.5 - 25.0 / 24) * 86400e6 AS INTEGER)");
    // PostgreSQL keeps the key's hash only.
    const QString keyColumn = embeddedPath.isEmpty() ? QStringLiteral("keyhash") : QStringLiteral("serverkey");
    const QString keyValue = embeddedPath.isEmpty() ? QStringLiteral("crypt('%1', gen_salt('bf'))").arg(key)
                                                    : QStringLiteral("'%1'").arg(key);
    const QString sql = QStringLiteral("INSERT INTO directory_entries (servername, gametype, ipaddress, port, mods, "
                                       "connectiontype, %3, source, posted) VALUES ('%1', 'Rogue Spear', '%2', "
                                       "'2346', '', 'DSL', %4, '%2', %5)")
                            .arg(name, ip, keyColumn, keyValue, posted);
    if (embeddedPath.isEmpty())
        return testpg::Exec(sql);
    sqlite3 *db = nullptr;
    const bool ok = sqlite3_open(QFile::encodeName(embeddedPath).constData(), &db) == SQLITE_OK &&
                    sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}
