#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// A throwaway hive file that the program's settings store uses while the object lives:
// SKIRMDECK_REGISTRY points at it and is restored afterwards.
class TempHive {
public:
    // With contents, the file is written before use; without, it does not exist yet.
    explicit TempHive(const QByteArray &contents = QByteArray());
    ~TempHive();
    TempHive(const TempHive &) = delete;
    TempHive &operator=(const TempHive &) = delete;

    QString path() const { return m_path; }
    QString dir() const { return m_dir.path(); }
    QByteArray read() const;
    void write(const QByteArray &contents) const;

private:
    QTemporaryDir m_dir;
    QString m_path;
    QByteArray m_previous;
    bool m_hadPrevious;
};

// A minimal valid hive header, 32-bit or 64-bit.
QByteArray HiveHeader(bool win64 = false);
