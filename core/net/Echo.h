#pragma once

#include <QByteArray>
#include <QList>

#include <cstdint>

// ICMP status numbers of an echo (the values the classic ICMP library reports).
namespace icmpstatus {
constexpr int32_t Success = 0;
constexpr int32_t StatusBase = 11000; // also taken as success, as the program always has
constexpr int32_t BufTooSmall = 11001;
constexpr int32_t DestNetUnreachable = 11002;
constexpr int32_t DestHostUnreachable = 11003;
constexpr int32_t DestProtUnreachable = 11004;
constexpr int32_t DestPortUnreachable = 11005;
constexpr int32_t NoResources = 11006;
constexpr int32_t BadOption = 11007;
constexpr int32_t HwError = 11008;
constexpr int32_t PacketTooBig = 11009;
constexpr int32_t ReqTimedOut = 11010;
constexpr int32_t BadReq = 11011;
constexpr int32_t BadRoute = 11012;
constexpr int32_t TtlExpiredTransit = 11013;
constexpr int32_t TtlExpiredReassem = 11014;
constexpr int32_t ParamProblem = 11015;
constexpr int32_t SourceQuench = 11016;
constexpr int32_t OptionTooBig = 11017;
constexpr int32_t BadDestination = 11018;
constexpr int32_t GeneralFailure = 11050;

inline bool isSuccess(int32_t status) { return status == Success || status == StatusBase; }

// Status for an ICMP error message (type and code) that answered our request.
int32_t fromIcmpError(int type, int code);
// Status for an errno from sending the request.
int32_t fromSendErrno(int error);
} // namespace icmpstatus

// The outcome of one echo request.
struct EchoResult {
    int32_t status = icmpstatus::GeneralFailure;
    uint32_t roundTripMs = 0;
    uint32_t replyAddress = 0; // first octet in the lowest byte, like the addresses sent
    uint8_t ttl = 0;
    QByteArray data; // the echoed data

    static EchoResult withStatus(int32_t status)
    {
        EchoResult result;
        result.status = status;
        return result;
    }
};

// Sends one ICMP echo request and waits for its reply. The address has its first octet in
// the lowest byte (1.2.3.4 is 0x04030201). The wait never goes much beyond timeoutMs.
class Echo {
public:
    virtual ~Echo() = default;
    virtual EchoResult send(uint32_t address, const QByteArray &payload, int timeoutMs) = 0;
    // One echo per address, all in one wait where the echo can; one result per address, in
    // order. By default they go one after another.
    virtual QList<EchoResult> sendMany(const QList<uint32_t> &addresses, const QByteArray &payload, int timeoutMs);
};

// Installs the echo every EchoRequest uses (not owned; null restores the system echo);
// returns the previous one.
Echo *setEchoSeam(Echo *echo);
Echo &echoSeam();
