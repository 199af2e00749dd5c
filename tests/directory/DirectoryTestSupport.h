#pragma once

#include "tests/common/TestSupport.h"

#include <QString>
#include <QTemporaryDir>

#include <cstdint>

// The PostgreSQL cluster the test fixture started (SKD_PG_STATE names its state folder).
namespace testpg {
QString ConnectionString();
// Runs SQL text of the test's own (never user input) on the directory database; false on failure.
bool Exec(const QString &sql);
} // namespace testpg

// A TCP port on 127.0.0.1 that nothing listens on.
uint16_t ClosedLoopbackPort();

// Settings and an embedded directory file of a test's own; the shared registry instance is
// reopened on the temporary hive.
class DirectorySandbox {
public:
    DirectorySandbox();
    ~DirectorySandbox();
    DirectorySandbox(const DirectorySandbox &) = delete;
    DirectorySandbox &operator=(const DirectorySandbox &) = delete;

    QString embeddedPath() const;
    void useEmbedded();
    void usePostgres();
    void setSetting(const QString &name, const QString &value);
    QString setting(const QString &name);

private:
    TempHive m_hive;
    QByteArray m_previousDb;
    bool m_hadPreviousDb;
};

// Puts an entry posted 25 hours ago straight into a directory's table.
bool InsertExpiredPostgres(const QString &name, const QString &game, const QString &ip, const QString &key);
bool InsertExpiredEmbedded(const QString &path, const QString &name, const QString &game, const QString &ip,
                           const QString &key);
