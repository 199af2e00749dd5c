// Median time of PingServer("127.0.0.1") against a plain ICMP echo loop on one socket that
// stays open, measured in the same run, one of each in turn.
// Usage: bench_ping [count]   (default 1000; needs a raw ICMP socket or ping_group_range)
#include "core/net/Echo.h"
#include "core/net/IcmpSocketEcho.h"
#include "core/net/PingServer.h"
#include "core/net/SystemEcho.h"
#include "core/net/UniqueFd.h"

#include <QCoreApplication>

#include <arpa/inet.h>
#include <netinet/ip_icmp.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

using Clock = std::chrono::steady_clock;

namespace {

struct Baseline {
    UniqueFd fd;
    bool raw = false;
    uint16_t id = 0x5a5a;
    uint16_t sequence = 0;
    sockaddr_in target{};
};

bool openBaseline(Baseline &b)
{
    b.fd = UniqueFd(::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP));
    b.raw = b.fd.valid();
    if (!b.raw)
        b.fd = UniqueFd(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_ICMP));
    b.target.sin_family = AF_INET;
    b.target.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return b.fd.valid();
}

// One echo on the open socket; true when its reply came back.
bool baselineEcho(Baseline &b)
{
    unsigned char packet[8 + 9] = {ICMP_ECHO, 0, 0, 0};
    const uint16_t sequence = ++b.sequence;
    packet[4] = static_cast<unsigned char>(b.id >> 8);
    packet[5] = static_cast<unsigned char>(b.id & 0xFF);
    packet[6] = static_cast<unsigned char>(sequence >> 8);
    packet[7] = static_cast<unsigned char>(sequence & 0xFF);
    std::memcpy(packet + 8, "Echo This", 9);
    const uint16_t sum = InternetChecksum(packet, sizeof(packet));
    packet[2] = static_cast<unsigned char>(sum >> 8);
    packet[3] = static_cast<unsigned char>(sum & 0xFF);
    if (::sendto(b.fd.get(), packet, sizeof(packet), 0, reinterpret_cast<const sockaddr *>(&b.target),
                 sizeof(b.target)) < 0)
        return false;
    unsigned char buffer[1500];
    for (;;) {
        pollfd poller{b.fd.get(), POLLIN, 0};
        if (::poll(&poller, 1, 200) <= 0)
            return false;
        const ssize_t n = ::recv(b.fd.get(), buffer, sizeof(buffer), 0);
        const size_t header = b.raw && n > 0 ? static_cast<size_t>(buffer[0] & 0x0F) * 4 : 0;
        if (n < static_cast<ssize_t>(header + 8))
            continue;
        const unsigned char *icmp = buffer + header;
        const uint16_t got = static_cast<uint16_t>(icmp[6] << 8 | icmp[7]);
        if (icmp[0] == ICMP_ECHOREPLY && got == sequence)
            return true;
    }
}

double medianMicros(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    return samples.empty() ? 0.0 : samples[samples.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;
    Baseline baseline;
    if (!openBaseline(baseline)) {
        std::fprintf(stderr, "no ICMP socket is permitted here: run as root or widen net.ipv4.ping_group_range\n");
        return 1;
    }
    SystemEcho echo;
    setEchoSeam(&echo);

    std::vector<double> plain;
    std::vector<double> pings;
    int plainLost = 0;
    int offline = 0;
    for (int i = 0; i < count; ++i) {
        auto start = Clock::now();
        plainLost += baselineEcho(baseline) ? 0 : 1;
        plain.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());

        QString pinged;
        start = Clock::now();
        offline += PingServer(QStringLiteral("127.0.0.1"), pinged) == QLatin1String("Offline") ? 1 : 0;
        pings.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    setEchoSeam(nullptr);

    const double plainMedian = medianMicros(plain);
    const double pingMedian = medianMicros(pings);
    std::printf("command: %s %d\n", argv[0], count);
    std::printf("echoes each: %d to 127.0.0.1\n", count);
    std::printf("baseline (%s socket kept open): median %.1f us, lost %d\n", baseline.raw ? "raw" : "datagram",
                plainMedian, plainLost);
    std::printf("PingServer (%s): median %.1f us, offline %d\n", SystemEcho::MethodName(echo.lastMethod()), pingMedian,
                offline);
    std::printf("difference: %.1f us (goal: at most 300 us) -> %s\n", pingMedian - plainMedian,
                pingMedian - plainMedian <= 300.0 ? "met" : "missed");
    return 0;
}
