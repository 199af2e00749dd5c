#pragma once

#include "core/state/AppState.h"
#include "tests/support/TestSupport.h"

#include <QString>
#include <QThread>

// The PostgreSQL cluster the test fixture started (SKD_PG_STATE names its state folder).
namespace testpg {
// The superuser that owns the cluster, and the login the directory script gives players.
inline const QString kAdmin = QStringLiteral("dirtest");
inline const QString kPlayer = QStringLiteral("skirmdeck_player");
inline const QString kDatabase = QStringLiteral("skirmdeck_directory");

QString ConnectionString(const QString &port = QString(), const QString &user = kAdmin,
                         const QString &database = kDatabase);
// The first value SQL text returns, "" when it returns none, or the server's message
// (without the driver's decoration) when it fails.
QString Query(const QString &sql, const QString &connectionString = ConnectionString());
// Runs the test's own SQL text, which returns nothing, on the directory database; false on failure.
inline bool Exec(const QString &sql) { return Query(sql).isEmpty(); }
// The server's own words in a directory error: "ERROR: <this>;\nError while executing the query".
QString ServerMessage(const QString &description);
// Runs the cluster's psql on a database with a script file; false when it fails.
bool RunScript(const QString &database, const QString &path);
} // namespace testpg

// A TCP port on 127.0.0.1 that nothing listens on.
QString ClosedLoopbackPort();

// Forwards connections made to its port on 127.0.0.1 to the test PostgreSQL, opening each onward
// connection from another loopback address, so that the server sees a second computer. Connecting
// to 127.0.0.2 directly would not do: the kernel gives every loopback connection the source
// 127.0.0.1 whichever 127.x address it goes to.
class SourceAddressRelay {
public:
    explicit SourceAddressRelay(const QString &source);
    ~SourceAddressRelay();

    QString port() const { return QString::number(m_port); }

private:
    QThread m_thread;
    quint16 m_port = 0;
};

// Settings and an embedded directory file of a test's own; the shared registry instance is
// reopened on the temporary hive.
class DirectorySandbox {
public:
    DirectorySandbox() { ReleaseRegUtil(); }
    ~DirectorySandbox() { ReleaseRegUtil(); }

    QString embeddedPath() const { return m_hive.dir() + QStringLiteral("/directory.sqlite"); }
    void setSetting(const QString &name, const QString &value);
    // The settings file as it is now, to show that nothing was changed.
    QByteArray hive() const { return m_hive.read(); }

private:
    TempHive m_hive;
};

// Puts a Rogue Spear entry posted 25 hours ago straight into a directory's table (PostgreSQL's,
// or the embedded file's when a path is given); the address is also its source.
bool InsertExpired(const QString &name, const QString &ip, const QString &key, const QString &embeddedPath = {});
