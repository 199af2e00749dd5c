#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// Counts how often a file is replaced (renamed over, as QSaveFile and wineserver do) while the
// object lives, through inotify on its folder.
class ReplacementCounter {
public:
    explicit ReplacementCounter(const QString &filePath);
    ~ReplacementCounter();
    Q_DISABLE_COPY(ReplacementCounter)

    // Replacements seen so far.
    int count();

private:
    int m_fd = -1;
    QByteArray m_name;
    int m_count = 0;
};

// Puts a "wine" first on PATH that records each start and then runs the real wine (or does
// nothing when there is none), so tests see how many Wine processes a command started.
// With a failStatus it runs nothing: it keeps a copy of the file of a "reg import", says
// "reg: import failed" on standard error and ends with that status.
class WineStarts {
public:
    explicit WineStarts(int failStatus = -1);
    ~WineStarts();
    Q_DISABLE_COPY(WineStarts)

    // The argument lists of the starts so far, one line each.
    QStringList starts() const;
    // The file of the last "reg import" (failing stand-in only).
    QByteArray lastImport() const;

private:
    QTemporaryDir m_dir;
    QByteArray m_oldPath;
};

// Runs a Wine program (or wineserver) in the prefix, without a display, and waits for it;
// returns its standard output. *status: its exit code, or -1 when it did not end normally.
QByteArray RunWine(const QString &prefix, const QString &program, const QStringList &args, int *status = nullptr);

// Whether the wine program at this path can start 64-bit programs, told before any prefix is
// made: Debian's wrapper finds the 64-bit loader at lib/wine/wine64 (package wine64) beside
// lib/wine/wine (package wine32); a Debian Wine with the 32-bit loader alone makes only win32
// prefixes. Any other installation is taken to manage (its prefix's arch then tells).
bool WineRuns64Bit(const QString &wineProgram);
