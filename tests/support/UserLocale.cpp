#include "tests/support/UserLocale.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <clocale>

namespace {

bool SetNumeric(const QString &name) { return std::setlocale(LC_NUMERIC, name.toLocal8Bit().constData()); }

// Generates "de_DE.UTF-8" and the like into a folder the C library is pointed at (LOCPATH),
// for the rest of the test program; an empty text on success, else why not.
QString Generate(const QString &name)
{
    static QTemporaryDir folder;
    const QString localedef = QStandardPaths::findExecutable(QStringLiteral("localedef"));
    if (localedef.isEmpty() || !folder.isValid())
        return QStringLiteral("no localedef (Debian package \"locales\") to make ") + name;
    QProcess make;
    make.setProcessChannelMode(QProcess::MergedChannels);
    // "de_DE.UTF-8": the definition "de_DE" in the character set "UTF-8".
    make.start(localedef, {QStringLiteral("-i"), name.section(QLatin1Char('.'), 0, 0), QStringLiteral("-f"),
                           name.section(QLatin1Char('.'), 1), QDir(folder.path()).filePath(name)});
    make.waitForFinished(120000);
    qputenv("LOCPATH", QFile::encodeName(folder.path()));
    if (SetNumeric(name))
        return {};
    return QStringLiteral("localedef could not make %1: %2").arg(name, QString::fromLocal8Bit(make.readAll()));
}

} // namespace

UserLocale::UserLocale(const QString &name)
    : m_previousDefault(QLocale()), m_previousNumeric(std::setlocale(LC_NUMERIC, nullptr))
{
    m_ok = SetNumeric(name);
    if (!m_ok) {
        m_why = Generate(name);
        m_ok = m_why.isEmpty();
    }
    if (m_ok)
        QLocale::setDefault(QLocale(name.section(QLatin1Char('.'), 0, 0)));
}

UserLocale::~UserLocale()
{
    std::setlocale(LC_NUMERIC, m_previousNumeric.constData());
    QLocale::setDefault(m_previousDefault);
}
