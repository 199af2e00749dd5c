#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

class frmMain;

// Text of a hive key section, for composing test hives. Values are "name", "escaped data".
QByteArray HiveSection(const QString &key, const QList<QPair<QString, QString>> &values);

// Escapes a text as a hive string (backslashes and quotes).
QString HiveEscape(const QString &text);

// Drops what an earlier test left behind: the server list window and the shared registry.
void ResetProgramState();

// A folder holding fake game installations.
class GameFolders {
public:
    GameFolders();
    QString path(const QString &relative = QString()) const;
    // Makes the folder and an executable script of that name in it that records its
    // arguments (one per line) and working folder in <folder>/<name>.log.
    QString addGame(const QString &folder, const QString &executable);
    void addFolder(const QString &relative);
    QStringList recordedArguments(const QString &folder, const QString &executable) const;
    QString recordedFolder(const QString &folder, const QString &executable) const;

private:
    QTemporaryDir m_dir;
};
