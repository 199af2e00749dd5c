#pragma once

#include "core/net/Echo.h"

#include <QString>

// An echo through the system's ping command (iputils), for systems where this process may
// open neither kind of ICMP socket but the command itself carries the right to.
class PingCommandEcho : public Echo {
public:
    // How many commands of one batch run at the same time.
    static constexpr int kMaxParallel = 32;

    // Without a program, "ping" is looked up on the search path.
    explicit PingCommandEcho(QString program = {});

    EchoResult send(uint32_t address, const QByteArray &payload, int timeoutMs) override;
    // One command per address, at most kMaxParallel running at a time.
    QList<EchoResult> sendMany(const QList<uint32_t> &addresses, const QByteArray &payload, int timeoutMs) override;

    // The command's output read into a result for a request to the given address.
    static EchoResult parseOutput(const QString &output, int exitCode, uint32_t address);

private:
    QString m_program;
};
