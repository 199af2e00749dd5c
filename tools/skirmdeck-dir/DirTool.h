#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class QCommandLineParser;
class RuntimeError;

// The skirmdeck-dir commands: list a game's servers, post the user's server, re-announce it and
// remove it, with the directory and the settings the program itself uses. Output and errors are
// collected so that the caller decides where they go.
class DirTool {
public:
    // args: the command and its own arguments; returns the exit status.
    int run(const QStringList &args);

    const QString &output() const { return m_out; }
    const QString &errors() const { return m_err; }

    static QString usage();

    // Exit statuses besides 0 and cmdline::kUsageError.
    static constexpr int kFailed = 1;

private:
    int list(const QStringList &args);
    int post(const QStringList &args);
    int announce(const QStringList &args);
    int remove(const QStringList &args);

    // Parses a command's arguments; false (after noting a usage error) when they do not fit.
    bool parse(QCommandLineParser &parser, const QStringList &args, qsizetype positional);
    // For announce and remove: the status to stop with when arguments are given or no server is posted.
    std::optional<int> refusePosted(const QStringList &args, const QString &command);
    int usageError(const QString &message);
    int fail(const QString &message);
    // Runs a command's directory work; a directory error is reported on one line.
    template <class Body> int directory(Body &&body);

    QString m_out;
    QString m_err;
};
