#include "tests/support/WineWatch.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

#include <sys/inotify.h>
#include <unistd.h>

ReplacementCounter::ReplacementCounter(const QString &filePath)
    : m_fd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)), m_name(QFile::encodeName(QFileInfo(filePath).fileName()))
{
    const QByteArray folder = QFile::encodeName(QFileInfo(filePath).absolutePath());
    if (m_fd >= 0)
        inotify_add_watch(m_fd, folder.constData(), IN_MOVED_TO);
}

ReplacementCounter::~ReplacementCounter()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

int ReplacementCounter::count()
{
    alignas(inotify_event) char buffer[8192];
    for (;;) {
        const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
        if (n <= 0)
            return m_count;
        for (ssize_t at = 0; at < n;) {
            const auto *event = reinterpret_cast<const inotify_event *>(buffer + at);
            if (event->len > 0 && m_name == event->name)
                ++m_count;
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
}

WineStarts::WineStarts(int failStatus) : m_oldPath(qgetenv("PATH"))
{
    const QByteArray dir = QFile::encodeName(m_dir.path());
    const QString real = QStandardPaths::findExecutable(QStringLiteral("wine"));
    QByteArray run = real.isEmpty() ? QByteArray("exit 0\n") : "exec '" + QFile::encodeName(real) + "' \"$@\"\n";
    if (failStatus >= 0)
        run = "[ \"$2\" = import ] && cp \"$3\" '" + dir + "/last.reg'\necho 'reg: import failed' >&2\nexit " +
              QByteArray::number(failStatus) + "\n";
    WriteTestFile(m_dir.filePath(QStringLiteral("wine")), "#!/bin/sh\necho \"$*\" >> '" + dir + "/starts'\n" + run,
                  true);
    qputenv("PATH", dir + ':' + m_oldPath);
}

WineStarts::~WineStarts() { qputenv("PATH", m_oldPath); }

QStringList WineStarts::starts() const
{
    return QString::fromLocal8Bit(ReadTestFile(m_dir.filePath(QStringLiteral("starts"))))
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QByteArray RunWine(const QString &prefix, const QString &program, const QStringList &args, int *status)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("WINEPREFIX"), prefix);
    env.insert(QStringLiteral("WINEDEBUG"), QStringLiteral("-all"));
    env.insert(QStringLiteral("WINEDLLOVERRIDES"), QStringLiteral("mscoree,mshtml="));
    env.remove(QStringLiteral("DISPLAY"));
    process.setProcessEnvironment(env);
    process.start(program, args);
    const bool done = process.waitForFinished(240000);
    if (status)
        *status = done && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return process.readAllStandardOutput();
}

QByteArray WineStarts::lastImport() const { return ReadTestFile(m_dir.filePath(QStringLiteral("last.reg"))); }

bool WineRuns64Bit(const QString &wineProgram)
{
    const QString wrapper = QFileInfo(wineProgram).canonicalFilePath();
    const QDir loaders(QFileInfo(wrapper).absolutePath() + QStringLiteral("/../lib/wine"));
    if (QFileInfo(loaders.filePath(QStringLiteral("wine64"))).isExecutable())
        return true;
    return !QFileInfo::exists(loaders.filePath(QStringLiteral("wine")));
}
