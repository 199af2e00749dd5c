#pragma once

#include <QString>
#include <QStringList>

class RegistryStore;

// The skirmdeck-reg command line in the manner of the Windows "reg" tool: query, add and delete
// over the settings store. Output and errors are collected so that callers (and tests) decide
// where they go.
class RegTool {
public:
    explicit RegTool(QString hivePath);

    // args without the program name; returns the exit status (0 on success).
    int run(const QStringList &args);

    const QString &output() const { return m_out; }
    const QString &errors() const { return m_err; }

    // "Usage:" and the commands, as reg's "/?" prints them.
    static QString usage();
    // The commands without that header, for --help, whose own usage line comes first.
    static QString commands();

private:
    struct Options;

    int fail(const QString &message);
    int query(RegistryStore &store, const Options &options);
    int add(RegistryStore &store, const Options &options);
    int remove(RegistryStore &store, const Options &options);
    bool queryKey(RegistryStore &store, const QString &path, const QString &shown, const Options &options);

    QString m_hivePath;
    QString m_out;
    QString m_err;
};
