#pragma once

#include "core/directory/DirectoryConnection.h"

struct sqlite3;

// The directory kept in a local SQLite file, for a computer without a shared directory.
// It answers the same five procedures with the same results and errors as the server side.
class EmbeddedDirectory : public DirectoryConnection {
public:
    // Opens (creating when missing) the file; raises the connect error when that fails.
    explicit EmbeddedDirectory(const QString &path);
    ~EmbeddedDirectory() override;
    EmbeddedDirectory(const EmbeddedDirectory &) = delete;
    EmbeddedDirectory &operator=(const EmbeddedDirectory &) = delete;

    QList<QStringList> call(const QString &procedure, const QStringList &arguments,
                            const QStringList &columns) override;

private:
    QList<QStringList> activeServers(const QStringList &arguments, const QStringList &columns);
    void addServer(const QStringList &arguments);
    void deleteServer(const QStringList &arguments);
    void deleteServerPWed(const QStringList &arguments);
    void updateServer(const QStringList &arguments);
    void createSchema();

    sqlite3 *m_db = nullptr;
};
