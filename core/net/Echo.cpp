#include "core/net/Echo.h"

#include "core/net/SystemEcho.h"

#include <netinet/ip_icmp.h>

#include <cerrno>
#include <utility>

namespace icmpstatus {

namespace {

int32_t fromUnreachableCode(int code)
{
    switch (code) {
    case ICMP_NET_UNREACH:
    case ICMP_NET_UNKNOWN:
    case ICMP_NET_ANO:
    case ICMP_NET_UNR_TOS: return DestNetUnreachable;
    case ICMP_PROT_UNREACH: return DestProtUnreachable;
    case ICMP_PORT_UNREACH: return DestPortUnreachable;
    case ICMP_FRAG_NEEDED: return PacketTooBig;
    case ICMP_SR_FAILED: return BadRoute;
    default: return DestHostUnreachable;
    }
}

} // namespace

int32_t fromIcmpError(int type, int code)
{
    switch (type) {
    case ICMP_DEST_UNREACH: return fromUnreachableCode(code);
    case ICMP_TIME_EXCEEDED: return code == ICMP_EXC_FRAGTIME ? TtlExpiredReassem : TtlExpiredTransit;
    case ICMP_PARAMETERPROB: return ParamProblem;
    case ICMP_SOURCE_QUENCH: return SourceQuench;
    default: return GeneralFailure;
    }
}

int32_t fromSendErrno(int error)
{
    switch (error) {
    case ENETUNREACH:
    case ENETDOWN: return DestNetUnreachable;
    case EHOSTUNREACH:
    case EHOSTDOWN: return DestHostUnreachable;
    case EMSGSIZE: return PacketTooBig;
    case ENOBUFS:
    case ENOMEM: return NoResources;
    default: return GeneralFailure;
    }
}

} // namespace icmpstatus

QList<EchoResult> Echo::sendMany(const QList<uint32_t> &addresses, const QByteArray &payload, int timeoutMs)
{
    QList<EchoResult> results;
    for (const uint32_t address : addresses)
        results.append(send(address, payload, timeoutMs));
    return results;
}

namespace {
Echo *installedEcho = nullptr;
} // namespace

Echo *setEchoSeam(Echo *echo) { return std::exchange(installedEcho, echo); }

Echo &echoSeam()
{
    if (installedEcho)
        return *installedEcho;
    static SystemEcho systemEcho;
    return systemEcho;
}
