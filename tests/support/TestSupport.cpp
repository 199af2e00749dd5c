#include "tests/support/TestSupport.h"

#include <QFile>

TempHive::TempHive(const QByteArray &contents)
    : m_path(m_dir.filePath(QStringLiteral("system.reg"))), m_previous(qgetenv("SKIRMDECK_REGISTRY")),
      m_hadPrevious(qEnvironmentVariableIsSet("SKIRMDECK_REGISTRY"))
{
    if (!contents.isEmpty())
        write(contents);
    qputenv("SKIRMDECK_REGISTRY", m_path.toLocal8Bit());
}

TempHive::~TempHive()
{
    if (m_hadPrevious)
        qputenv("SKIRMDECK_REGISTRY", m_previous);
    else
        qunsetenv("SKIRMDECK_REGISTRY");
}

QByteArray TempHive::read() const
{
    QFile file(m_path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void TempHive::write(const QByteArray &contents) const
{
    QFile file(m_path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(contents);
}

QByteArray HiveHeader(bool win64)
{
    return QByteArray("WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n#arch=") +
           (win64 ? "win64" : "win32") + "\n";
}
