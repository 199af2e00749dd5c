#include "tests/gui/support/AppTestSupport.h"

#include "core/state/AppState.h"
#include "gui/browser/frmServerList.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTest>

QByteArray HiveSection(const QString &key, const Values &values)
{
    const auto escape = [](QString text) { return text.replace("\\", "\\\\").replace("\"", "\\\""); };
    QString text = "\n[" + escape(key) + "] 1700000000\n";
    for (const auto &[name, data] : values)
        text += '"' + name + "\"=\"" + escape(data) + "\"\n";
    return text.toUtf8();
}

QByteArray GameHive(const QString &rsPath, const QString &rb6Path, const Values &own, const Values &rsExtra)
{
    QByteArray hive = HiveHeader();
    if (!own.isEmpty())
        hive += HiveSection(kRedStormKey, own);
    if (!rb6Path.isNull())
        hive += HiveSection(kRB6Registry, {{"InstallationPath", rb6Path}});
    if (!rsPath.isNull())
        hive += HiveSection(kRSRegistry, Values{{"InstallationPath", rsPath}} + rsExtra);
    return hive;
}

void ResetProgramState()
{
    delete frmServerList::Existing();
    ReleaseRegUtil();
    gGameType.clear();
    gRegistry.clear();
    gMissingGames.clear();
}

QString GameFolders::path(const QString &relative) const
{
    return relative.isEmpty() ? m_dir.path() : m_dir.filePath(relative);
}

void GameFolders::addFolder(const QString &relative) { QDir().mkpath(path(relative)); }

QString GameFolders::addGame(const QString &folder, const QString &executable)
{
    addFolder(folder);
    const QString exe = QDir(path(folder)).filePath(executable);
    QFile file(exe);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(exe));
    // Records what a game would see: each argument on a line, then the working folder.
    file.write(
        "#!/bin/sh\nlog=\"$0.log\"\n: > \"$log.tmp\"\nfor a in \"$@\"; do printf '%s\\n' \"$a\" >> \"$log.tmp\"; done\n"
        "pwd > \"$log.cwd\"\nmv \"$log.tmp\" \"$log\"\n");
    file.close();
    file.setPermissions(file.permissions() | QFileDevice::ExeOwner | QFileDevice::ExeUser);
    return exe;
}

static QByteArray waitForFile(const QString &name)
{
    QFile file(name);
    if (!QTest::qWaitFor([&] { return file.exists(); }, 10000))
        return QByteArray("<never written>");
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

QStringList GameFolders::recordedArguments(const QString &folder, const QString &executable) const
{
    const QByteArray log = waitForFile(QDir(path(folder)).filePath(executable + QStringLiteral(".log")));
    QStringList args = QString::fromUtf8(log).split(QLatin1Char('\n'));
    args.removeLast();
    return args;
}

QString GameFolders::recordedFolder(const QString &folder, const QString &executable) const
{
    return QString::fromUtf8(waitForFile(QDir(path(folder)).filePath(executable + QStringLiteral(".log.cwd"))))
        .trimmed();
}
