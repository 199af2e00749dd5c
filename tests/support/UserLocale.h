#pragma once

#include <QLocale>
#include <QString>

// The user's locale as the program meets it on a desktop set to that locale: QLocale's default,
// and the C library's LC_NUMERIC, which QApplication takes from the environment. Both are put
// back when the object goes. A locale the system lacks is generated into a private folder
// (localedef, from Debian's "locales" package); ok() is false only when that cannot be done.
class UserLocale {
public:
    explicit UserLocale(const QString &name);
    ~UserLocale();
    Q_DISABLE_COPY(UserLocale)

    bool ok() const { return m_ok; }
    QString why() const { return m_why; }

private:
    QLocale m_previousDefault;
    QByteArray m_previousNumeric;
    bool m_ok = false;
    QString m_why;
};

// Skips the test function when the locale cannot be had.
#define REQUIRE_LOCALE(locale)                                                                                         \
    do {                                                                                                               \
        if (!(locale).ok())                                                                                            \
            QSKIP(qPrintable((locale).why()));                                                                         \
    } while (false)
