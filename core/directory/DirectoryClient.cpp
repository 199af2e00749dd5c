#include "core/directory/DirectoryClient.h"

#include "core/state/AppState.h"
#include "core/directory/DirectoryErrors.h"
#include "core/directory/EmbeddedDirectory.h"
#include "core/directory/OdbcDirectory.h"
#include "core/settings/RegistryStore.h"
#include "core/settings/SettingsLocation.h"
#include "core/runtime/VbConv.h"

#include <QDir>
#include <QFileInfo>

namespace {

// Runs one procedure on a connection of its own, which is closed again before returning.
QList<QStringList> CallDirectory(const QString &procedure, const QStringList &arguments,
                                 const QStringList &columns = {})
{
    const std::unique_ptr<DirectoryConnection> connection = OpenDirectory();
    return connection->call(procedure, arguments, columns);
}

} // namespace

QString SqlServerConnectionString(const QString &host)
{
    return QStringLiteral("PROVIDER=MSDASQL;") + QStringLiteral("DRIVER={SQL Server};") + QStringLiteral("SERVER=") +
           host + QStringLiteral(";DATABASE=vexora;") + QStringLiteral("UID=sa;PWD=qorvex31;Network=dbmssocn");
}

QString EmbeddedDirectoryPath()
{
    const QString chosen = qEnvironmentVariable("SKIRMDECK_DIRECTORY_DB");
    if (!chosen.isEmpty())
        return chosen;
    // The program's own file, kept out of the player's Wine prefix; one an earlier version made beside the
    // settings file is still used, so no posted entry is lost.
    const QString fileName = QStringLiteral("directory.sqlite");
    const QString beside = QFileInfo(RegistryStore::defaultHivePath()).absoluteDir().filePath(fileName);
    if (QFileInfo(beside).isFile())
        return beside;
    return QDir(settingsfile::dataFolder()).filePath(fileName);
}

DirectoryTarget CurrentDirectoryTarget()
{
    // Blanks alone do not name a directory.
    const QString connection = OwnSetting(QStringLiteral("DirectoryConnection"));
    if (!vb::Trim(connection).isEmpty())
        return {connection, {}};
    const QString host = OwnSetting(QStringLiteral("DirectoryServer"));
    if (!vb::Trim(host).isEmpty())
        return {SqlServerConnectionString(host), {}};
    return {{}, EmbeddedDirectoryPath()};
}

std::unique_ptr<DirectoryConnection> OpenDirectory()
{
    const DirectoryTarget target = CurrentDirectoryTarget();
    if (target.embedded())
        return std::make_unique<EmbeddedDirectory>(target.embeddedPath);
    return std::make_unique<OdbcDirectory>(target.connectionString, kDirectoryLoginTimeout);
}

QList<DbServerRow> ActiveServers(const QString &gametype)
{
    const QStringList columns = {QStringLiteral("ServerName"), QStringLiteral("IPAddress"), QStringLiteral("Port"),
                                 QStringLiteral("Mods")};
    QList<DbServerRow> servers;
    for (const QStringList &row : CallDirectory(QStringLiteral("ActiveServers"), {gametype}, columns))
        servers.append({row[0], row[1], row[2], row[3]});
    return servers;
}

void AddServer(const QString &serverName, const QString &gametype, const QString &ipAddress, const QString &port,
               const QString &mods, const QString &connectionType, const QString &serverKey, const QString &source)
{
    CallDirectory(QStringLiteral("AddServer"),
                  {serverName, gametype, ipAddress, port, mods, connectionType, serverKey, source});
}

void DeleteServer(const QString &ipAddress) { CallDirectory(QStringLiteral("DeleteServer"), {ipAddress}); }

void DeleteServerPWed(const QString &ipAddress, const QString &serverKey, const QString &source)
{
    CallDirectory(QStringLiteral("DeleteServerPWed"), {ipAddress, serverKey, source});
}

void UpdateServer(const QString &ipAddress, const QString &serverKey, const QString &source)
{
    CallDirectory(QStringLiteral("UpdateServer"), {ipAddress, serverKey, source});
}
