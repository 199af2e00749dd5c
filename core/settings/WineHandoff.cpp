#include "core/settings/WineHandoff.h"

#include "core/settings/RegImportFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QList>
#include <QProcess>
#include <QTemporaryFile>

#include <cstdio>

namespace winehandoff {
namespace {

struct State {
    QList<QProcess *> running;
    QString lastFailure;
    bool exitHookSet = false;
};

State &state()
{
    static State s;
    return s;
}

void WaitAtExit() { WaitForAll(); }

// Quitting must not kill an import that is still running: the change would be lost again.
void SetExitHook()
{
    if (state().exitHookSet || !QCoreApplication::instance())
        return;
    state().exitHookSet = true;
    QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, WaitAtExit);
    qAddPostRoutine(WaitAtExit);
}

void ReportFailure(const QString &prefix, const QString &why)
{
    state().lastFailure = QStringLiteral("The settings change was not handed to the Wine running in %1 (%2); "
                                         "Wine may undo it when it exits.")
                              .arg(QDir::toNativeSeparators(prefix), why);
    std::fprintf(stderr, "skirmdeck: %s\n", qPrintable(state().lastFailure));
    std::fflush(stderr);
}

// Inside the prefix's C: drive when it has one, so the file has a Windows path whatever the
// prefix's drive mappings are.
QString ImportFolder(const QString &prefix)
{
    const QString temp = QDir(prefix).filePath(QStringLiteral("drive_c/windows/temp"));
    return QFileInfo(temp).isDir() ? temp : QDir::tempPath();
}

void Finished(QProcess *process, const QString &prefix, const QString &file)
{
    // Once per process, whether it ended, failed to start or was given up on.
    if (!state().running.removeOne(process))
        return;
    QFile::remove(file);
    if (process->error() == QProcess::FailedToStart)
        ReportFailure(prefix, QStringLiteral("wine could not be started"));
    else if (process->exitStatus() != QProcess::NormalExit || process->exitCode() != 0)
        ReportFailure(prefix, QStringLiteral("wine reg import ended with status %1: %2")
                                  .arg(process->exitCode())
                                  .arg(QString::fromLocal8Bit(process->readAllStandardError()).trimmed()));
    process->deleteLater();
}

} // namespace

void Send(const QString &prefix, bool win64, const QList<RegChange> &changes)
{
    if (changes.isEmpty())
        return;
    QTemporaryFile file(QDir(ImportFolder(prefix)).filePath(QStringLiteral("skirmdeck-XXXXXX.reg")));
    file.setAutoRemove(false);
    const QByteArray text = RegImportText(changes);
    if (!file.open() || file.write(text) != text.size() || !file.flush()) {
        file.remove();
        ReportFailure(prefix, QStringLiteral("no file for the import could be written"));
        return;
    }
    file.close();
    SetExitHook();
    auto *process = new QProcess;
    process->setProperty("prefix", prefix);
    const QString path = file.fileName();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("WINEPREFIX"), prefix);
    env.insert(QStringLiteral("WINEDEBUG"), QStringLiteral("-all"));
    process->setProcessEnvironment(env);
    process->setWorkingDirectory(QFileInfo(path).absolutePath());
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    QStringList args{QStringLiteral("reg"), QStringLiteral("import"), QFileInfo(path).fileName()};
    if (win64)
        args.append(QStringLiteral("/reg:64"));
    QObject::connect(process, &QProcess::finished, process,
                     [process, prefix, path] { Finished(process, prefix, path); });
    QObject::connect(process, &QProcess::errorOccurred, process, [process, prefix, path](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            Finished(process, prefix, path);
    });
    state().running.append(process);
    process->start(QStringLiteral("wine"), args);
}

void WaitForAll(int msecs)
{
    // finished() comes from waitForFinished() itself and takes the process off the list.
    while (!state().running.isEmpty()) {
        QProcess *process = state().running.first();
        if (!process->waitForFinished(msecs) && state().running.removeOne(process))
            ReportFailure(process->property("prefix").toString(), QStringLiteral("wine reg import did not finish"));
    }
}

QString LastFailure() { return state().lastFailure; }

} // namespace winehandoff
