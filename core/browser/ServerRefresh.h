#pragma once

#include "core/browser/ServerRow.h"

#include <QList>
#include <QObject>
#include <QSet>

class ProbeBatch;
class StatusProbe;

// The status and ping refresh of the server list's rows. Every row ends as the classic
// one-row-after-another refresh leaves it, but all rows are probed at once (one socket
// time-out for the whole list) and pinged in one batch (one echo time-out for all).
//
// One probe at a time: the probes share one socket and one timer, so while a probe waits for
// its time-out (the window keeps handling events, so the player can give another command) the
// other probes refuse to start: they return false at once and change no row and no socket.
// Pings never wait on events and run at any time, during a probe's wait too.
//
// A result goes to the row it was asked for, found by its id wherever that row is when the
// result comes: rows sorted, deleted or replaced during a wait never get another row's status
// or ping, and a row that is gone gets nothing. A datagram marks up only rows that were in the
// list when its probe began.
//
// The rows are the caller's and must outlive the call; the caller shows the result when the
// call returns (and on rowsChanged while it waits).
class ServerRefresh : public QObject {
    Q_OBJECT
public:
    explicit ServerRefresh(QObject *parent = nullptr);

    // The single-row probe: the window's socket control (`SckServer`) and timer (`SocketTimer`),
    // whose interval is the socket time-out.
    StatusProbe *probe() const { return m_probe; }
    // The probe of many rows at once.
    ProbeBatch *batch() const { return m_batch; }
    // A probe is under way (it waits, and events are being handled).
    bool busy() const { return m_busy; }

    // "Update Server": marks the row down (shown at once through rowsChanged), probes its address
    // and port on the single-row probe (a datagram meanwhile marks every row with that address
    // up), then pings the row. Errors show "Error In Updating Server" + CR LF + "Error Number " +
    // number.
    bool UpdateServer(QList<ServerRow> &rows, qsizetype row);
    // "Update Ping": the row's ping text from PingServer of its address.
    // Errors show "Error Pinging Server" + CR LF + "Error Number " + number.
    void UpdatePing(QList<ServerRow> &rows, qsizetype row);
    // The probe of AddServer: the single-row probe against the address and port given, marking
    // up the rows whose address is that text. A port that is not a number raises the run-time
    // error into the caller's trap.
    bool ProbeServer(QList<ServerRow> &rows, const QString &address, const QString &port);

    // "Update All Servers" without its pointer and sorts: UpdateServers, then UpdatePings.
    bool UpdateAllServers(QList<ServerRow> &rows, int timeoutMs);
    // Marks every row down, probes every distinct address and port at once for timeoutMs, marks
    // up each row that the classic loop would leave up, then UpdatePings. A port that is not a
    // number ends it at that row (rows before it probed, that row down, later rows as they were,
    // no pings) with "Error Updating Servers" + CR LF + "Error Number " + number + " " +
    // description.
    bool UpdateServers(QList<ServerRow> &rows, int timeoutMs);
    // "Update All Pings" without its pointer and sort: every row's ping text from one batch of
    // PingServer. Errors show "Error Updating Pings" + CR LF + "Error Number " + number + " " +
    // description.
    void UpdatePings(QList<ServerRow> &rows);
    // What AddServer puts into a new row, for the rows from index `from` on: the ping text and,
    // as the address, the address that was pinged; where none was (a name that does not resolve,
    // an address PingServer reports as an error) the address stays as given, so it is never lost.
    void FillPings(QList<ServerRow> &rows, qsizetype from = 0);

signals:
    // Rows changed while a refresh waits (marked down before the wait, up by a datagram).
    void rowsChanged();
    // The single-row probe's pointer: hourglass while it waits, then the default again.
    void pointerBusy(bool busy);

private:
    // Runs body unless a refresh is under way; false when refused.
    template <class Body> bool exclusive(Body &&body);
    void onProbeData();
    void probeAll(QList<ServerRow> &rows, int timeoutMs);
    void pingAll(QList<ServerRow> &rows);
    void probeOne(QList<ServerRow> &rows, const QString &address, int32_t port, bool showPointer);

    StatusProbe *m_probe;
    ProbeBatch *m_batch;
    bool m_busy = false;
    QList<ServerRow> *m_probedRows = nullptr;
    // The rows in the list when the single-row probe began: the ones its datagram may mark up.
    QSet<uint64_t> m_askedRows;
};
