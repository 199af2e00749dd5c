#include "core/net/PingCommandEcho.h"

#include "core/net/Ipv4.h"
#include "core/net/Parallel.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QStandardPaths>

#include <cmath>
#include <vector>

namespace {

// How long the command may take beyond the time-out to start up and exit.
constexpr int kStartAndExitGraceMs = 100;

EchoResult withStatus(int32_t status)
{
    EchoResult result;
    result.status = status;
    return result;
}

QString findPing()
{
    QString found = QStandardPaths::findExecutable(QStringLiteral("ping"));
    if (found.isEmpty())
        found = QStandardPaths::findExecutable(
            QStringLiteral("ping"),
            {QStringLiteral("/usr/bin"), QStringLiteral("/bin"), QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")});
    return found;
}

QStringList arguments(uint32_t address, const QByteArray &payload, int timeoutMs)
{
    QStringList args{QStringLiteral("-n"),
                     QStringLiteral("-c"),
                     QStringLiteral("1"),
                     QStringLiteral("-s"),
                     QString::number(payload.size()),
                     QStringLiteral("-W"),
                     QString::number(std::max(timeoutMs, 1) / 1000.0, 'f', 3)};
    // The pattern option takes at most 16 bytes; it makes the command send our own text.
    if (!payload.isEmpty() && payload.size() <= 16)
        args << QStringLiteral("-p") << QString::fromLatin1(payload.toHex());
    args << ipv4::toText(address);
    return args;
}

// Error lines the command prints for ICMP errors and for failed sends.
int32_t statusFromMessages(const QString &output)
{
    static const std::pair<const char *, int32_t> kMessages[] = {
        {"Destination Net Unreachable", icmpstatus::DestNetUnreachable},
        {"Destination Host Unreachable", icmpstatus::DestHostUnreachable},
        {"Destination Protocol Unreachable", icmpstatus::DestProtUnreachable},
        {"Destination Port Unreachable", icmpstatus::DestPortUnreachable},
        {"Frag needed", icmpstatus::PacketTooBig},
        {"Source Route Failed", icmpstatus::BadRoute},
        {"Time to live exceeded", icmpstatus::TtlExpiredTransit},
        {"Frag reassembly time exceeded", icmpstatus::TtlExpiredReassem},
        {"Parameter problem", icmpstatus::ParamProblem},
        {"Source Quench", icmpstatus::SourceQuench},
        {"Network is unreachable", icmpstatus::DestNetUnreachable},
        {"No route to host", icmpstatus::DestHostUnreachable},
    };
    for (const auto &[text, status] : kMessages) {
        if (output.contains(QLatin1String(text), Qt::CaseInsensitive))
            return status;
    }
    return 0;
}

} // namespace

PingCommandEcho::PingCommandEcho(QString program) : m_program(std::move(program)) {}

EchoResult PingCommandEcho::parseOutput(const QString &output, int exitCode, uint32_t address)
{
    // "17 bytes from 127.0.0.1: icmp_seq=1 ttl=64", with " time=0.045 ms" when the payload
    // had room for the command's time stamp.
    static const QRegularExpression reply(
        QStringLiteral(R"(\d+ bytes from (\d+\.\d+\.\d+\.\d+):[^\n]*?ttl=(\d+)(?:[^\n]*?time=([\d.]+) ms)?)"));
    const auto match = reply.match(output);
    if (match.hasMatch() && match.captured(1) == ipv4::toText(address)) {
        EchoResult result;
        result.status = icmpstatus::Success;
        result.replyAddress = address;
        result.ttl = static_cast<uint8_t>(match.captured(2).toUInt());
        result.roundTripMs = static_cast<uint32_t>(std::floor(match.captured(3).toDouble()));
        return result;
    }
    if (const int32_t status = statusFromMessages(output))
        return withStatus(status);
    // Exit code 1: sent, but nothing came back in time.
    return withStatus(exitCode == 1 ? icmpstatus::ReqTimedOut : icmpstatus::GeneralFailure);
}

EchoResult PingCommandEcho::send(uint32_t address, const QByteArray &payload, int timeoutMs)
{
    const QString program = m_program.isEmpty() ? findPing() : m_program;
    if (program.isEmpty())
        return withStatus(icmpstatus::GeneralFailure);
    QElapsedTimer clock;
    clock.start();
    QProcess ping;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    ping.setProcessEnvironment(environment);
    ping.setProcessChannelMode(QProcess::MergedChannels);
    ping.start(program, arguments(address, payload, timeoutMs));
    const qint64 limit = timeoutMs + kStartAndExitGraceMs;
    if (!ping.waitForStarted(static_cast<int>(limit)))
        return withStatus(icmpstatus::GeneralFailure);

    // The command prints its banner just before it sends and a line per reply; a payload too
    // small for its time stamp leaves the round trip to be timed from those two lines.
    QByteArray output;
    qint64 bannerAt = -1;
    qint64 replyAt = -1;
    while (ping.state() == QProcess::Running && clock.elapsed() < limit && replyAt < 0) {
        if (!ping.waitForReadyRead(static_cast<int>(std::max<qint64>(1, limit - clock.elapsed()))))
            continue;
        output += ping.readAll();
        if (bannerAt < 0 && output.contains("PING "))
            bannerAt = clock.nsecsElapsed();
        if (replyAt < 0 && output.contains(" bytes from "))
            replyAt = clock.nsecsElapsed();
    }
    if (!ping.waitForFinished(static_cast<int>(std::max<qint64>(0, limit - clock.elapsed())))) {
        ping.kill();
        ping.waitForFinished(kStartAndExitGraceMs);
    }
    output += ping.readAll();
    const bool finished = ping.exitStatus() == QProcess::NormalExit && ping.state() == QProcess::NotRunning;
    EchoResult result = parseOutput(QString::fromLocal8Bit(output), finished ? ping.exitCode() : 1, address);
    if (result.status == icmpstatus::Success && !output.contains("time=") && bannerAt >= 0 && replyAt >= bannerAt)
        result.roundTripMs = static_cast<uint32_t>((replyAt - bannerAt) / 1000000);
    return result;
}

QList<EchoResult> PingCommandEcho::sendMany(const QList<uint32_t> &addresses, const QByteArray &payload, int timeoutMs)
{
    // Looked up once, not by every thread.
    const PingCommandEcho located(m_program.isEmpty() ? findPing() : m_program);
    if (located.m_program.isEmpty())
        return QList<EchoResult>(addresses.size(), withStatus(icmpstatus::GeneralFailure));
    std::vector<EchoResult> results(static_cast<size_t>(addresses.size()));
    RunInParallel(addresses.size(), kMaxParallel, [&](qsizetype i) {
        PingCommandEcho own(located.m_program);
        results[static_cast<size_t>(i)] = own.send(addresses[i], payload, timeoutMs);
    });
    return QList<EchoResult>(results.begin(), results.end());
}
