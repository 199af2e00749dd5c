#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>

#include <optional>

// Sets an environment variable while the object lives, then puts back what was there (or
// unsets it again).
class ScopedEnv {
public:
    ScopedEnv(const char *name, const QByteArray &value);
    ~ScopedEnv();
    Q_DISABLE_COPY(ScopedEnv)

private:
    const char *m_name;
    std::optional<QByteArray> m_previous;
};

// A throwaway hive file that the program's settings store uses while the object lives:
// SKIRMDECK_REGISTRY points at it, and SKIRMDECK_DIRECTORY_DB at an embedded directory beside
// it, so that no test touches the user's data folder.
class TempHive {
public:
    // With contents, the file is written before use; without, it does not exist yet.
    explicit TempHive(const QByteArray &contents = QByteArray());
    Q_DISABLE_COPY(TempHive)

    QString path() const { return m_path; }
    QString dir() const { return m_dir.path(); }
    QByteArray read() const;
    void write(const QByteArray &contents) const;

private:
    QTemporaryDir m_dir;
    QString m_path;
    ScopedEnv m_registry;
    ScopedEnv m_directory;
};

// A minimal valid hive header, 32-bit or 64-bit.
QByteArray HiveHeader(bool win64 = false);

// Writes a file whole (optionally executable by its owner); false when that fails.
bool WriteTestFile(const QString &path, const QByteArray &bytes, bool executable = false);
// A file's bytes; empty when it cannot be read.
QByteArray ReadTestFile(const QString &path);

// The headers of a PE file for that machine (0x014C x86, 0x8664 x86-64), with the PE signature
// at offset, or another signature in its place.
QByteArray PeHeader(quint16 machine, quint32 offset = 0x80, const QByteArray &signature = QByteArray("PE\0\0", 4));

// What a program run as a child process did: its exit status (-1 when it crashed or did not end
// within a minute) and its output, read as UTF-8.
struct ProgramRun {
    int status = -1;
    QString out;
    QString err;
};
ProgramRun RunProgram(const QString &program, const QStringList &args,
                      const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment());
