#pragma once

#include <QString>

// Pings a dotted IPv4 address or a host name once. Returns the round trip as "<ms>ms", or
// "Offline", and puts the address that was pinged (the resolved one for a name, possibly empty)
// into pingedAddress. A malformed dotted address is reported as "Error in PingServer " and the
// empty text is returned, leaving pingedAddress as it was.
QString PingServer(const QString &address, QString &pingedAddress);

// Only digits and dots (blanks around the numbers allowed, as the conversion takes them):
// a dotted address. Anything else is a host name.
bool IsDottedText(const QString &address);
