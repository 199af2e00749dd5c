#pragma once

#include "tests/support/TestSupport.h"

#include <QString>

// The PostgreSQL cluster the test fixture started (SKD_PG_STATE names its state folder).
namespace testpg {
QString ConnectionString(const QString &port = QString());
// Runs the test's own SQL text on the directory database; false on failure.
bool Exec(const QString &sql);
// Empties the directory and its post log (the flood limits count posts per calling address).
bool Reset();
} // namespace testpg

// A TCP port on 127.0.0.1 that nothing listens on.
QString ClosedLoopbackPort();

// Settings and an embedded directory file of a test's own; the shared registry instance is
// reopened on the temporary hive.
class DirectorySandbox {
public:
    DirectorySandbox();
    ~DirectorySandbox();
    DirectorySandbox(const DirectorySandbox &) = delete;
    DirectorySandbox &operator=(const DirectorySandbox &) = delete;

    QString embeddedPath() const { return m_hive.dir() + QStringLiteral("/directory.sqlite"); }
    void usePostgres() { setSetting(QStringLiteral("DirectoryConnection"), testpg::ConnectionString()); }
    void setSetting(const QString &name, const QString &value);
    QString setting(const QString &name);

private:
    TempHive m_hive;
};

// Puts a Rogue Spear entry posted 25 hours ago straight into a directory's table (PostgreSQL's,
// or the embedded file's when a path is given); the address is also its source.
bool InsertExpired(const QString &name, const QString &ip, const QString &key, const QString &embeddedPath = {});
