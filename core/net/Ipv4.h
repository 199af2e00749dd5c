#pragma once

#include <QString>

#include <netinet/in.h>

#include <cstdint>

// Addresses travel as 32-bit numbers with the first octet in the lowest byte, the order the
// dotted conversion produces; these helpers turn them into socket addresses and text.
namespace ipv4 {

inline in_addr toInAddr(uint32_t address)
{
    const uint32_t hostOrder = ((address & 0xFFu) << 24) | (((address >> 8) & 0xFFu) << 16) |
                               (((address >> 16) & 0xFFu) << 8) | ((address >> 24) & 0xFFu);
    in_addr result{};
    result.s_addr = htonl(hostOrder);
    return result;
}

inline uint32_t fromInAddr(in_addr address)
{
    const uint32_t hostOrder = ntohl(address.s_addr);
    return ((hostOrder >> 24) & 0xFFu) | (((hostOrder >> 16) & 0xFFu) << 8) | (((hostOrder >> 8) & 0xFFu) << 16) |
           ((hostOrder & 0xFFu) << 24);
}

inline QString toText(uint32_t address)
{
    return QStringLiteral("%1.%2.%3.%4")
        .arg(address & 0xFFu)
        .arg((address >> 8) & 0xFFu)
        .arg((address >> 16) & 0xFFu)
        .arg((address >> 24) & 0xFFu);
}

} // namespace ipv4
