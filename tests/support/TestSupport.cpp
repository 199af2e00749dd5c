#include "tests/support/TestSupport.h"

#include <QFile>
#include <QProcess>
#include <QtEndian>

ScopedEnv::ScopedEnv(const char *name, const QByteArray &value) : m_name(name)
{
    if (qEnvironmentVariableIsSet(name))
        m_previous = qgetenv(name);
    qputenv(name, value);
}

ScopedEnv::~ScopedEnv()
{
    if (m_previous)
        qputenv(m_name, *m_previous);
    else
        qunsetenv(m_name);
}

TempHive::TempHive(const QByteArray &contents)
    : m_path(m_dir.filePath(QStringLiteral("system.reg"))), m_registry("SKIRMDECK_REGISTRY", QFile::encodeName(m_path)),
      m_directory("SKIRMDECK_DIRECTORY_DB", QFile::encodeName(m_dir.filePath(QStringLiteral("directory.sqlite"))))
{
    if (!contents.isEmpty())
        write(contents);
}

QByteArray TempHive::read() const { return ReadTestFile(m_path); }

void TempHive::write(const QByteArray &contents) const { WriteTestFile(m_path, contents); }

QByteArray HiveHeader(bool win64)
{
    return QByteArray("WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n#arch=") +
           (win64 ? "win64" : "win32") + "\n";
}

bool WriteTestFile(const QString &path, const QByteArray &bytes, bool executable)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return false;
    file.close();
    return !executable || file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
}

QByteArray ReadTestFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray PeHeader(quint16 machine, quint32 offset, const QByteArray &signature)
{
    QByteArray bytes(qMax<qsizetype>(offset, 0x40), '\0');
    bytes.replace(0, 2, "MZ");
    qToLittleEndian(offset, bytes.data() + 0x3C);
    bytes.resize(offset);
    char field[2];
    qToLittleEndian(machine, field);
    return bytes + signature + QByteArray(field, 2) + QByteArray(64, '\0');
}

ProgramRun RunProgram(const QString &program, const QStringList &args, const QProcessEnvironment &env)
{
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(program, args);
    ProgramRun run;
    if (process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit)
        run.status = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}
