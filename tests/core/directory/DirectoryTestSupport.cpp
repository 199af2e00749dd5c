#include "tests/core/directory/DirectoryTestSupport.h"

#include "core/state/AppState.h"
#include "core/directory/OdbcHandles.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>

#include <sqlite3.h>

namespace {

// One line the cluster's start wrote into its state folder.
QString StateValue(const QString &name)
{
    return QString::fromLocal8Bit(ReadTestFile(qEnvironmentVariable("SKD_PG_STATE") + QLatin1Char('/') + name))
        .trimmed();
}

void Pipe(QTcpSocket *from, QTcpSocket *to)
{
    QObject::connect(from, &QTcpSocket::readyRead, to, [from, to] { to->write(from->readAll()); });
    QObject::connect(from, &QTcpSocket::disconnected, to, [to] { to->disconnectFromHost(); });
}

} // namespace

namespace testpg {

QString ConnectionString(const QString &port, const QString &user, const QString &database)
{
    return QStringLiteral("DRIVER={Skirmdeck Test PostgreSQL};SERVER=127.0.0.1;PORT=%1;DATABASE=%2;UID=%3")
        .arg(port.isEmpty() ? StateValue("port") : port, database, user);
}

QString ServerMessage(const QString &description)
{
    static const QRegularExpression server("ERROR:\\s+([^;]*)");
    const QRegularExpressionMatch match = server.match(description);
    return match.hasMatch() ? match.captured(1) : description;
}

QString Query(const QString &sql, const QString &connectionString)
{
    OdbcConnection connection;
    if (!connection.connect(connectionString, 5))
        return "no connection";
    OdbcStatement statement(connection);
    // A statement that touches no row answers "no data", which is no failure.
    const SQLRETURN rc = SQLExecDirectW(statement.handle(), OdbcText(sql), SQL_NTS);
    if (!OdbcSucceeded(rc) && rc != SQL_NO_DATA) {
        const auto diagnostics = statement.diagnostics();
        return diagnostics.isEmpty() ? "failed" : ServerMessage(diagnostics.first().message);
    }
    // Without a result set the fetch fails, and the value stays empty.
    QString value;
    if (OdbcSucceeded(SQLFetch(statement.handle())))
        statement.readText(1, value);
    return value;
}

bool RunScript(const QString &database, const QString &path)
{
    QProcess psql;
    psql.setProcessChannelMode(QProcess::ForwardedChannels);
    psql.start(StateValue("pgbin") + "/psql", {"-h", "127.0.0.1", "-p", StateValue("port"), "-U", kAdmin, "-d",
                                               database, "-X", "-q", "-v", "ON_ERROR_STOP=1", "-f", path});
    return psql.waitForFinished(60000) && psql.exitStatus() == QProcess::NormalExit && psql.exitCode() == 0;
}

} // namespace testpg

QString ClosedLoopbackPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    return QString::number(server.serverPort());
}

// The server lives in the relay's thread and pipes every connection to the test PostgreSQL from the source address.
SourceAddressRelay::SourceAddressRelay(const QString &source)
{
    auto *server = new QTcpServer;
    server->listen(QHostAddress::LocalHost);
    m_port = server->serverPort();
    // Its socket notifier moves along and is served by the relay's thread from then on.
    server->moveToThread(&m_thread);
    QObject::connect(&m_thread, &QThread::finished, server, &QObject::deleteLater);
    QObject::connect(server, &QTcpServer::newConnection, server, [server, from = QHostAddress(source)] {
        while (QTcpSocket *in = server->nextPendingConnection()) {
            auto *out = new QTcpSocket(in);
            out->bind(from);
            // Written while still connecting, the client's first bytes wait in the socket's buffer.
            out->connectToHost(QHostAddress::LocalHost, quint16(StateValue("port").toUInt()));
            Pipe(in, out);
            Pipe(out, in);
            QObject::connect(in, &QTcpSocket::disconnected, in, &QObject::deleteLater);
        }
    });
    m_thread.start();
}

SourceAddressRelay::~SourceAddressRelay()
{
    m_thread.quit();
    m_thread.wait();
}

void DirectorySandbox::setSetting(const QString &name, const QString &value)
{
    gRegUtil().SaveSettingString(HKEY_LOCAL_MACHINE, kRedStormKey, name, value);
}

bool InsertExpired(const QString &name, const QString &ip, const QString &key, const QString &embeddedPath)
{
    // PostgreSQL keeps a time stamp and the key's hash, the embedded file microseconds since 1970 and the key.
    const bool postgres = embeddedPath.isEmpty();
    const QString sql =
        QString("INSERT INTO directory_entries (servername, gametype, ipaddress, port, mods, connectiontype, %3, "
                "source, posted) VALUES ('%1', 'Rogue Spear', '%2', '2346', '', 'DSL', %4, '%2', %5)")
            .arg(name, ip, postgres ? "keyhash" : "serverkey",
                 QString(postgres ? "crypt('%1', gen_salt('bf'))" : "'%1'").arg(key),
                 postgres ? "now() - interval '25 hours'"
                          : "CAST((julianday('now') - 2440587.5 - 25.0 / 24) * 86400e6 AS INTEGER)");
    if (postgres)
        return testpg::Exec(sql);
    sqlite3 *db = nullptr;
    const bool ok = sqlite3_open(QFile::encodeName(embeddedPath).constData(), &db) == SQLITE_OK &&
                    sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}
