// The echo where the network can be made to misbehave: the cases run in a child process of this
// program inside a user and network namespace of its own, where loopback is the only interface.
// There a host can be silenced, routes are missing, the socket kinds can be permitted or
// refused, and crafted ICMP traffic can be put next to the real reply.
#include "core/net/IcmpSocketEcho.h"
#include "core/net/LocalAddress.h"
#include "core/net/ModPing.h"
#include "core/net/PingCommandEcho.h"
#include "core/net/SystemEcho.h"
#include "core/net/UniqueFd.h"
#include "tests/support/ProgramState.h"
#include "tests/support/TestSupport.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QtTest>

#include <arpa/inet.h>
#include <linux/capability.h>
#include <netinet/ip_icmp.h>
#include <poll.h>
#include <sched.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <thread>

namespace {

constexpr char kChildFlag[] = "--in-netns";
constexpr uint32_t kLoopback = 0x0100007F; // 127.0.0.1
constexpr uint32_t kUnrouted = 0x0302010A; // 10.1.2.3

bool dropNetRaw()
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    if (::syscall(SYS_capget, &header, data) != 0)
        return false;
    const uint32_t bit = 1u << (CAP_NET_RAW % 32);
    auto &word = data[CAP_NET_RAW / 32];
    word.effective &= ~bit;
    word.permitted &= ~bit;
    return ::syscall(SYS_capset, &header, data) == 0;
}

// An ICMP message with its checksum filled in: an echo reply with our data, or an error quoting
// the start of an IP packet (its header and the first 8 bytes after it).
QByteArray Icmp(int type, int code, uint16_t id, uint16_t sequence, const QByteArray &tail = ModPing::kEchoPayload)
{
    QByteArray icmp(8, '\0');
    icmp[0] = static_cast<char>(type);
    icmp[1] = static_cast<char>(code);
    qToBigEndian<uint16_t>(id, icmp.data() + 4);
    qToBigEndian<uint16_t>(sequence, icmp.data() + 6);
    icmp += tail;
    qToBigEndian<uint16_t>(
        InternetChecksum(reinterpret_cast<const unsigned char *>(icmp.constData()), static_cast<size_t>(icmp.size())),
        icmp.data() + 2);
    return icmp;
}

void sendIcmp(const char *from, const QByteArray &icmp)
{
    const UniqueFd fd(::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    ::inet_pton(AF_INET, from, &address.sin_addr);
    ::bind(fd.get(), reinterpret_cast<const sockaddr *>(&address), sizeof(address));
    ::inet_pton(AF_INET, "127.0.0.1", &address.sin_addr);
    ::sendto(fd.get(), icmp.constData(), static_cast<size_t>(icmp.size()), 0,
             reinterpret_cast<const sockaddr *>(&address), sizeof(address));
}

// Watches loopback for the echo requests of a batch to 127.0.0.3-5 and answers each by its
// address (see outcomes), on the watching thread.
class Injector {
public:
    Injector() : m_sniffer(::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP)), m_thread([this] { run(); }) {}
    ~Injector()
    {
        m_stop = true;
        m_thread.join();
    }

    int requestsSeen() const { return m_seen; }

private:
    void run()
    {
        char buffer[1500];
        while (!m_stop) {
            pollfd poller{m_sniffer.get(), POLLIN, 0};
            if (::poll(&poller, 1, 5) <= 0)
                continue;
            const ssize_t n = ::recv(m_sniffer.get(), buffer, sizeof(buffer), 0);
            const int header = n > 0 ? (buffer[0] & 0x0F) * 4 : 0;
            const QByteArray packet(buffer, n > 0 ? n : 0);
            if (n <= header + 8 || buffer[header] != ICMP_ECHO || packet.mid(header + 8) != ModPing::kEchoPayload)
                continue;
            ++m_seen;
            answer(packet);
        }
    }

    // The flood comes last: it goes on until the echo has given up, as one that waits on would
    // never end. It holds replies that belong to another program (other identifier), to a
    // request never made (other sequence), or come from another host.
    // The host is the last octet of the address the request went to.
    void answer(const QByteArray &request)
    {
        const int header = (request.at(0) & 0x0F) * 4, host = request.at(19);
        const auto id = qFromBigEndian<uint16_t>(request.constData() + header + 4);
        const auto sequence = qFromBigEndian<uint16_t>(request.constData() + header + 6);
        if (host == 3) {
            QByteArray neverMade = request;
            qToBigEndian<uint16_t>(static_cast<uint16_t>(sequence + 1000), neverMade.data() + header + 6);
            sendIcmp("127.0.0.1", Icmp(ICMP_DEST_UNREACH, ICMP_NET_UNREACH, 0, 0, neverMade.left(header + 8)));
            sendIcmp("127.0.0.1", Icmp(ICMP_DEST_UNREACH, ICMP_HOST_UNREACH, 0, 0, request.left(header + 8)));
        }
        if (host == 4) {
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            sendIcmp("127.0.0.4", Icmp(ICMP_ECHOREPLY, 0, id, sequence));
        }
        while (host == 5 && !m_stop) {
            sendIcmp("127.0.0.5", Icmp(ICMP_ECHOREPLY, 0, static_cast<uint16_t>(id + 1), sequence));
            sendIcmp("127.0.0.5", Icmp(ICMP_ECHOREPLY, 0, id, static_cast<uint16_t>(sequence + 1000)));
            sendIcmp("127.0.0.6", Icmp(ICMP_ECHOREPLY, 0, id, sequence));
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

    UniqueFd m_sniffer;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_seen{0};
    std::thread m_thread;
};

enum class Kind { Datagram, Raw, Command };

std::unique_ptr<Echo> makeEcho(Kind kind)
{
    if (kind == Kind::Command)
        return std::make_unique<PingCommandEcho>();
    return std::make_unique<IcmpSocketEcho>(kind == Kind::Raw ? IcmpSocketEcho::Kind::Raw
                                                              : IcmpSocketEcho::Kind::Datagram);
}

} // namespace

Q_DECLARE_METATYPE(Kind)

// Run in the child, in declaration order: the last case gives up a privilege for good.
class NetnsEcho : public IsolatedTest {
    Q_OBJECT
private slots:
    void init()
    {
        ResetProgramState();
        // Each case starts in a network namespace of its own, where only loopback is up.
        QVERIFY(::unshare(CLONE_NEWNET) == 0 && QProcess::execute("ip", {"link", "set", "lo", "up"}) == 0);
        // The datagram socket is refused in a new namespace until the group range lets us in.
        if (QTest::currentTestFunction() != QByteArray("fallsBackToPingCommand"))
            QVERIFY(WriteTestFile("/proc/sys/net/ipv4/ping_group_range", "0 0"));
    }

    // Each kind: loopback answers with its address and our data; an unrouted address fails at
    // once; a silent host is waited for the whole time-out. For the sockets, a batch where
    // 127.0.0.3 gets an error about a request never made before the one about its own, 127.0.0.4
    // its reply late, and 127.0.0.5 only replies not to it, which keep coming: each takes only
    // what answers its own request.
    void outcomes_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::newRow("datagram socket") << Kind::Datagram;
        QTest::newRow("raw socket") << Kind::Raw;
        QTest::newRow("ping command") << Kind::Command;
    }
    void outcomes()
    {
        QFETCH(Kind, kind);
        const auto echo = [kind](uint32_t address) {
            return makeEcho(kind)->send(address, ModPing::kEchoPayload, ModPing::kEchoTimeOutMs);
        };
        const EchoResult result = echo(kLoopback);
        QCOMPARE(result.status, 0);
        QCOMPARE(result.replyAddress, kLoopback);
        if (kind != Kind::Command)
            QCOMPARE(result.data, QByteArray("Echo This"));

        QCOMPARE(echo(kUnrouted).status, 11002);

        QVERIFY(WriteTestFile("/proc/sys/net/ipv4/icmp_echo_ignore_all", "1"));
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(echo(kLoopback).status, 11010);
        QVERIFY2(clock.elapsed() >= ModPing::kEchoTimeOutMs - 5, qPrintable(QString::number(clock.elapsed())));
        if (kind == Kind::Command)
            return;

        const QList<uint32_t> addresses{0x0300007F, 0x0400007F, 0x0500007F};
        Injector injector;
        // A time-out well beyond the late reply, however slowly the watching thread runs.
        const QList<EchoResult> results = makeEcho(kind)->sendMany(addresses, ModPing::kEchoPayload, 1000);
        QCOMPARE(injector.requestsSeen(), addresses.size());
        QStringList statuses;
        for (const EchoResult &reply : results)
            statuses.append(QString::number(reply.status));
        QCOMPARE(statuses.join(' '), "11003 0 11010");
        QVERIFY2(results[1].roundTripMs >= 25, qPrintable(QString::number(results[1].roundTripMs)));
    }

    void localAddressIsFirstInterfaceUp()
    {
        const auto ip = [](const char *args) { return QProcess::execute("ip", QString(args).split(' ')) == 0; };
        if (!ip("link add v0 type veth peer name v1"))
            QSKIP("the ip command cannot add a veth pair here");
        QVERIFY(ip("addr add 10.9.9.9/24 dev v0"));
        QCOMPARE(LocalIPAddress(), "127.0.0.1");
        QVERIFY(ip("link set v0 up"));
        QCOMPARE(LocalIPAddress(), "10.9.9.9");
    }

    // Without ICMP sockets single echoes and batches go to ping commands, many at a time.
    void fallsBackToPingCommand()
    {
        // The ping program takes CAP_NET_RAW when it starts (its file capability, set-user-ID
        // bit, or as root of this namespace). Under no_new_privs, which bwrap and some
        // container runtimes set, no exec gains a privilege: it fails "missing cap_net_raw+p".
        if (::prctl(PR_GET_NO_NEW_PRIVS, 0, 0, 0, 0) == 1)
            QSKIP("no_new_privs is set here (as under bwrap): the ping program cannot take CAP_NET_RAW");
        QVERIFY(dropNetRaw());
        // A batch keeps its order (the unrouted address first) and waits one time-out, not forty.
        SystemEcho system;
        QVERIFY(WriteTestFile("/proc/sys/net/ipv4/icmp_echo_ignore_all", "1"));
        QList<uint32_t> addresses{kUnrouted};
        for (uint32_t i = 1; i <= 40; ++i)
            addresses.append(0x0000007F | (i << 24));
        QElapsedTimer clock;
        clock.start();
        const QList<EchoResult> results = system.sendMany(addresses, ModPing::kEchoPayload, ModPing::kEchoTimeOutMs);
        QVERIFY2(clock.elapsed() < 10 * ModPing::kEchoTimeOutMs, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(system.lastMethod(), SystemEcho::Method::PingCommand);
        QStringList statuses;
        for (const EchoResult &result : results)
            statuses.append(QString::number(result.status));
        QCOMPARE(statuses, QStringList{"11002"} + QStringList(40, "11010"));
    }
};

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2 || std::strcmp(argv[1], kChildFlag) != 0) {
        // The cases run again in a child process inside a user and network namespace of its own.
        if (QProcess::execute("unshare", {"-rn", "true"}) != 0) {
            std::fputs("SKIP: cannot create a user and network namespace here\n", stderr);
            return 77; // the test's SKIP_RETURN_CODE
        }
        const QStringList arguments = app.arguments();
        return QProcess::execute("unshare", QStringList{"-rn", arguments[0], kChildFlag} + arguments.mid(1));
    }
    NetnsEcho cases;
    argv[1] = argv[0];
    return QTest::qExec(&cases, argc - 1, argv + 1);
}

#include "test_echo_netns.moc"
