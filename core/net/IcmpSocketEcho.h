#pragma once

#include "core/net/Echo.h"

#include <optional>

// An echo over an ICMP socket of the kernel: a datagram ("ping") socket, which
// net.ipv4.ping_group_range must allow, or a raw socket, which needs CAP_NET_RAW.
class IcmpSocketEcho : public Echo {
public:
    enum class Kind { Datagram, Raw };

    explicit IcmpSocketEcho(Kind kind) : m_kind(kind) {}

    // Nothing when this kind of socket is not permitted here.
    std::optional<EchoResult> trySend(uint32_t address, const QByteArray &payload, int timeoutMs);
    // Every request at once over one socket, each with its own sequence number; a reply counts
    // for the request whose source, identifier and sequence it carries, and only within that
    // request's own time-out. Nothing when this kind of socket is not permitted here.
    std::optional<QList<EchoResult>> trySendMany(const QList<uint32_t> &addresses, const QByteArray &payload,
                                                 int timeoutMs);

    // A socket kind that is not permitted reports a general failure.
    EchoResult send(uint32_t address, const QByteArray &payload, int timeoutMs) override;
    QList<EchoResult> sendMany(const QList<uint32_t> &addresses, const QByteArray &payload, int timeoutMs) override;

private:
    Kind m_kind;
};

// The one's-complement checksum of ICMP and IP headers.
uint16_t InternetChecksum(const unsigned char *data, size_t length);
