// The echo where the network can be made to misbehave: the cases run in a child process of this
// program inside a user and network namespace of its own, where loopback is the only interface.
// There a host can be silenced, routes are missing, the socket kinds can be permitted or
// refused, and crafted ICMP traffic can be put next to the real reply.
#include "tests/core/net/RecordingEcho.h"

#include "core/net/IcmpSocketEcho.h"
#include "core/net/LocalAddress.h"
#include "core/net/ModPing.h"
#include "core/net/PingCommandEcho.h"
#include "core/net/PingServer.h"
#include "core/net/SystemEcho.h"
#include "core/net/UniqueFd.h"
#include "tests/support/ProgramState.h"

#include <QElapsedTimer>
#include <QFile>
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
#include <functional>
#include <thread>

namespace {

constexpr int kSkipped = 77; // the test's SKIP_RETURN_CODE
constexpr char kChildFlag[] = "--in-netns";
constexpr uint32_t kLoopback = 0x0100007F; // 127.0.0.1
constexpr uint32_t kUnrouted = 0x0302010A; // 10.1.2.3
constexpr int kTimeOutMs = ModPing::kEchoTimeOutMs;

void setSysctl(const char *name, const QByteArray &value)
{
    QFile file(QStringLiteral("/proc/sys/net/ipv4/") + name);
    QVERIFY2(file.open(QIODevice::WriteOnly) && file.write(value) == value.size() && file.flush(), name);
}

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
    word.inheritable &= ~bit;
    return ::syscall(SYS_capset, &header, data) == 0;
}

QByteArray withChecksum(QByteArray icmp)
{
    qToBigEndian<uint16_t>(0, icmp.data() + 2);
    qToBigEndian<uint16_t>(
        InternetChecksum(reinterpret_cast<const unsigned char *>(icmp.constData()), static_cast<size_t>(icmp.size())),
        icmp.data() + 2);
    return icmp;
}

QByteArray echoReply(uint16_t id, uint16_t sequence)
{
    QByteArray icmp(8, '\0');
    qToBigEndian<uint16_t>(id, icmp.data() + 4);
    qToBigEndian<uint16_t>(sequence, icmp.data() + 6);
    return withChecksum(icmp + ModPing::kEchoPayload);
}

// A host-unreachable error quoting an IP packet (its header and the first 8 bytes after it).
QByteArray hostUnreachable(const QByteArray &quotedPacket)
{
    const int header = (quotedPacket.at(0) & 0x0F) * 4;
    QByteArray icmp(8, '\0');
    icmp[0] = static_cast<char>(ICMP_DEST_UNREACH);
    icmp[1] = static_cast<char>(ICMP_HOST_UNREACH);
    return withChecksum(icmp + quotedPacket.left(header + 8));
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

struct Request {
    QByteArray packet;
    uint16_t id;
    uint16_t sequence;
    QByteArray to;
};

// Replies that belong to another program (other identifier), to a request never made (other
// sequence), or come from another host.
void sendForeign(const Request &request, const char *from, const char *otherHost)
{
    sendIcmp(from, echoReply(static_cast<uint16_t>(request.id + 1), request.sequence));
    sendIcmp(from, echoReply(request.id, static_cast<uint16_t>(request.sequence + 1000)));
    sendIcmp(otherHost, echoReply(request.id, request.sequence));
}

// Watches loopback for the echo requests the test makes and hands each to `answer`, which puts
// crafted traffic next to it on the watching thread.
class Injector {
public:
    using Answer = std::function<void(const Injector &, const Request &)>;
    explicit Injector(Answer answer)
        : m_answer(std::move(answer)), m_sniffer(::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP)),
          m_thread([this] { run(); })
    {
    }
    ~Injector()
    {
        m_stop = true;
        m_thread.join();
    }

    int requestsSeen() const { return m_seen; }
    bool stopping() const { return m_stop; }

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
            m_answer(*this, Request{packet, qFromBigEndian<uint16_t>(buffer + header + 4),
                                    qFromBigEndian<uint16_t>(buffer + header + 6), packet.mid(16, 4)});
        }
    }

    Answer m_answer;
    UniqueFd m_sniffer;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_seen{0};
    std::thread m_thread;
};

void pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// A batch: 127.0.0.2 gets foreign traffic, then its own reply late; 127.0.0.3 gets nothing;
// 127.0.0.4 its reply.
void batchPlan(const Injector &, const Request &request)
{
    if (request.to == QByteArray("\x7f\x00\x00\x04", 4))
        sendIcmp("127.0.0.4", echoReply(request.id, request.sequence));
    if (request.to != QByteArray("\x7f\x00\x00\x02", 4))
        return;
    sendForeign(request, "127.0.0.2", "127.0.0.3");
    pause(60);
    sendIcmp("127.0.0.2", echoReply(request.id, request.sequence));
}

enum class Plan { ForeignThenReply, ForeignErrorThenOurs, Flood, Batch };

// One echo: foreign traffic and an error about another request of ours, then, by the plan,
// the real reply late, an error about our request late, or the foreign traffic without end.
Injector::Answer answerBy(Plan plan)
{
    if (plan == Plan::Batch)
        return batchPlan;
    return [plan](const Injector &injector, const Request &request) {
        // A flood goes on until the echo has given up: one that waits on would never end.
        do {
            sendForeign(request, "127.0.0.1", "127.0.0.2");
            QByteArray otherRequest = request.packet;
            const int header = (otherRequest.at(0) & 0x0F) * 4;
            qToBigEndian<uint16_t>(static_cast<uint16_t>(request.sequence + 1), otherRequest.data() + header + 6);
            sendIcmp("127.0.0.1", hostUnreachable(otherRequest));
            pause(plan == Plan::Flood ? 1 : 60);
        } while (plan == Plan::Flood && !injector.stopping());
        if (plan != Plan::Flood)
            sendIcmp("127.0.0.1", plan == Plan::ForeignThenReply ? echoReply(request.id, request.sequence)
                                                                 : hostUnreachable(request.packet));
    };
}

enum class Kind { Datagram, Raw, Command };

std::unique_ptr<Echo> makeEcho(Kind kind)
{
    if (kind == Kind::Command)
        return std::make_unique<PingCommandEcho>();
    return std::make_unique<IcmpSocketEcho>(kind == Kind::Raw ? IcmpSocketEcho::Kind::Raw
                                                              : IcmpSocketEcho::Kind::Datagram);
}

// One echo, or a batch over one socket for more addresses, and how long it took.
QList<EchoResult> echo(Kind kind, const QList<uint32_t> &addresses, qint64 &elapsedMs)
{
    QElapsedTimer clock;
    clock.start();
    const auto echo = makeEcho(kind);
    const QList<EchoResult> results = addresses.size() == 1
                                          ? QList{echo->send(addresses[0], ModPing::kEchoPayload, kTimeOutMs)}
                                          : echo->sendMany(addresses, ModPing::kEchoPayload, kTimeOutMs);
    elapsedMs = clock.elapsed();
    return results;
}

} // namespace

Q_DECLARE_METATYPE(Kind)
Q_DECLARE_METATYPE(Plan)

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
            setSysctl("ping_group_range", "0 0");
    }

    // Each kind: loopback answers with its address and our data; an unrouted address fails at
    // once; a silent host is waited for the whole time-out.
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
        qint64 elapsed = 0;
        const EchoResult result = echo(kind, {kLoopback}, elapsed)[0];
        QCOMPARE(result.status, 0);
        QCOMPARE(result.replyAddress, kLoopback);
        if (kind != Kind::Command)
            QCOMPARE(result.data, QByteArray("Echo This"));

        QCOMPARE(echo(kind, {kUnrouted}, elapsed)[0].status, 11002);

        setSysctl("icmp_echo_ignore_all", "1");
        QCOMPARE(echo(kind, {kLoopback}, elapsed)[0].status, 11010);
        QVERIFY2(elapsed >= kTimeOutMs - 5, qPrintable(QString::number(elapsed)));
    }

    void unresolvedNameIsNotSent()
    {
        RecordingEcho echo;
        QString pinged = "untouched";
        QCOMPARE(PingServer("no-such-host.invalid", pinged), "Offline");
        QCOMPARE(pinged, QString());
        QCOMPARE(echo.requests().size(), 0);
    }

    // Replies to other requests, from other hosts and errors about other requests are passed over:
    // the answer is the late reply, the error about our own request, or the time-out however
    // much foreign traffic keeps coming. In a batch each reply counts for its own request only.
    // Every answer comes 60 ms late at the earliest: taking an earlier packet ends sooner.
    void injectedTraffic_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<Plan>("plan");
        QTest::addColumn<QList<uint32_t>>("addresses");
        QTest::addColumn<QString>("statuses");
        const QList<uint32_t> one{kLoopback}, batch{0x0200007F, 0x0300007F, 0x0400007F};
        for (Kind kind : {Kind::Datagram, Kind::Raw}) {
            const char *name = kind == Kind::Raw ? "raw, " : "datagram, ";
            QTest::addRow("%sforeign then reply", name) << kind << Plan::ForeignThenReply << one << "0";
            QTest::addRow("%serror about ours", name) << kind << Plan::ForeignErrorThenOurs << one << "11003";
            QTest::addRow("%sflood", name) << kind << Plan::Flood << one << "11010";
            QTest::addRow("%sbatch", name) << kind << Plan::Batch << batch << "0 11010 0";
        }
    }

    void injectedTraffic()
    {
        QFETCH(Kind, kind);
        QFETCH(Plan, plan);
        QFETCH(QList<uint32_t>, addresses);
        QFETCH(QString, statuses);
        setSysctl("icmp_echo_ignore_all", "1");
        Injector injector(answerBy(plan));
        qint64 elapsed = 0;
        const QList<EchoResult> results = echo(kind, addresses, elapsed);
        QCOMPARE(injector.requestsSeen(), addresses.size());
        QStringList seen;
        for (qsizetype i = 0; i < results.size(); ++i)
            seen.append(QString::number(results[i].status) +
                        (results[i].status == 0 && results[i].replyAddress != addresses[i] ? " from elsewhere" : ""));
        QCOMPARE(seen.join(' '), statuses);
        QVERIFY2(elapsed >= 55, qPrintable(QString::number(elapsed)));
        if (results[0].status == 0)
            QVERIFY2(results[0].roundTripMs >= 55, qPrintable(QString::number(results[0].roundTripMs)));
    }

    void localAddressIsFirstInterfaceUp()
    {
        QCOMPARE(LocalIPAddress(), "127.0.0.1");
        const auto ip = [](const char *arguments) {
            return QProcess::execute("ip", QString(arguments).split(' ')) == 0;
        };
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
        setSysctl("icmp_echo_ignore_all", "1");
        QList<uint32_t> addresses{kUnrouted};
        for (uint32_t i = 1; i <= 40; ++i)
            addresses.append(0x0000007F | (i << 24));
        QElapsedTimer clock;
        clock.start();
        const QList<EchoResult> results = system.sendMany(addresses, ModPing::kEchoPayload, kTimeOutMs);
        QVERIFY2(clock.elapsed() < 10 * kTimeOutMs, qPrintable(QString::number(clock.elapsed())));
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
            return kSkipped;
        }
        QStringList arguments = app.arguments();
        arguments.insert(1, kChildFlag);
        return QProcess::execute("unshare", QStringList{"-rn"} + arguments);
    }
    NetnsEcho cases;
    argv[1] = argv[0];
    return QTest::qExec(&cases, argc - 1, argv + 1);
}

#include "test_echo_netns.moc"
