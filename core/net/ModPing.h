#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

// The echo reply record: the ICMP echo-reply fields followed by room for the echoed data.
struct EchoReply {
    uint32_t Address = 0; // replying address, first octet in the lowest byte
    int32_t Status = 0;
    uint32_t RoundTripTime = 0; // milliseconds
    uint16_t DataSize = 0;
    uint16_t Reserved = 0;
    uint32_t DataPointer = 0;
    struct {
        uint8_t Ttl = 0;
        uint8_t Tos = 0;
        uint8_t Flags = 0;
        uint8_t OptionsSize = 0;
        uint32_t OptionsData = 0;
    } Options;
    char Data[250] = {};
};

namespace ModPing {
inline const QByteArray kEchoPayload = QByteArrayLiteral("Echo This");
constexpr int kEchoTimeOutMs = 200;
constexpr int kReplyBufferSize = 278;
constexpr uint16_t kSocketsVersion = 0x0101;
constexpr int kMinSockets = 1;
constexpr int32_t kTimedOutStatus = 11010;
constexpr uint32_t kOfflineRoundTrip = 589844;
} // namespace ModPing

// Sends one echo to a dotted address and fills the reply record. Returns the round-trip time
// when the echo succeeded, else the reply's status. An address that converts to 0 is not sent.
int32_t EchoRequest(const QString &dottedAddress, EchoReply &reply);

// "1.2.3.4" gives 0x04030201 (first part in the lowest byte); fewer than four parts give 0.
// A fifth part raises error 9, an empty or non-numeric part error 13; a part above 255
// contributes its low byte.
uint32_t DottedToAddress(const QString &dottedAddress);

// The host's first IPv4 address as dotted text, or the empty text.
QString ResolveHostAddress(const QString &hostName);
// ResolveHostAddress for many names at once, looked up in parallel.
QStringList ResolveHostAddresses(const QStringList &hostNames);

// The sockets library start-up and clean-up, with their messages for the failures they describe.
bool StartSockets();
bool StopSockets();

uint8_t LowByteOf(uint16_t word);
uint8_t HighByteOf(uint16_t word);
