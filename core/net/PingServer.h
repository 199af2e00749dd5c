#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// Pings a dotted IPv4 address or a host name once. Returns the round trip as "<ms>ms", or
// "Offline", and puts the address that was pinged (the resolved one for a name, possibly empty)
// into pingedAddress. A malformed dotted address is reported as "Error in PingServer " and the
// empty text is returned, leaving pingedAddress as it was.
QString PingServer(const QString &address, QString &pingedAddress);

// Only digits and dots (blanks around the numbers allowed, as the conversion takes them):
// a dotted address. Anything else is a host name.
bool IsDottedText(const QString &address);

// What PingServer gives for one address: the ping text (empty after its error message) and the
// address it pinged (nothing where PingServer leaves its output slot as it was).
struct PingOutcome {
    QString text;
    std::optional<QString> pingedAddress;
};

// PingServer for many addresses at once, with the same texts, pinged addresses and error
// messages (in the order given) as one call for each: the names are looked up in parallel and
// every echo goes out together, so the batch waits at most one echo time-out. An address given
// twice is pinged once.
QList<PingOutcome> PingServers(const QStringList &addresses);
