#include "core/browser/ServerRefresh.h"

#include "core/net/PingServer.h"
#include "core/net/ProbeBatch.h"
#include "core/net/StatusProbe.h"
#include "core/runtime/ErrorTrap.h"
#include "core/runtime/MsgBox.h"
#include "core/runtime/VbConv.h"

#include <QHash>
#include <QPointer>

#include <optional>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

TrapFormatter numberOnly(const QString &context)
{
    return [context](const RuntimeError &e) {
        return context + kCrLf + QStringLiteral("Error Number ") + QString::number(e.number());
    };
}

TrapFormatter numberAndDescription(const QString &context)
{
    return [context](const RuntimeError &e) {
        return context + kCrLf + QStringLiteral("Error Number ") + QString::number(e.number()) + QLatin1Char(' ') +
               e.description();
    };
}

// The port cell as the socket takes it: a whole number from 0 to 65535.
int32_t portNumber(const QString &port)
{
    const int32_t number = vb::CLng(port);
    if (number < 0 || number > 65535)
        throw RuntimeError(vberr::InvalidPropertyValue);
    return number;
}

// Rows in order, probe by probe: a datagram on the probe of row k marks every row with that
// address up, and a row probed later is marked down again by its own probe. So a row probed in
// this run ends up when a probe of its address at or after it got an answer; a row that was
// not reached keeps its mark and also turns up when any probe of its address got an answer.
void markAnswered(QList<ServerRow> &rows, const QList<ProbeTarget> &targets, const QList<bool> &answers,
                  qsizetype markedDown)
{
    QHash<QString, qsizetype> lastAnswered;
    for (qsizetype k = 0; k < targets.size(); ++k) {
        if (answers[k])
            lastAnswered.insert(targets[k].host, k);
    }
    for (qsizetype j = 0; j < rows.size(); ++j) {
        const auto found = lastAnswered.constFind(rows[j].address);
        const bool reached = found != lastAnswered.constEnd() && (j >= markedDown || *found >= j);
        if (j < markedDown)
            rows[j].up = reached;
        else if (reached)
            rows[j].up = true;
    }
}

// Where each row is now, by its id.
QHash<uint64_t, qsizetype> rowIndexes(const QList<ServerRow> &rows)
{
    QHash<uint64_t, qsizetype> indexes;
    indexes.reserve(rows.size());
    for (qsizetype i = 0; i < rows.size(); ++i)
        indexes.insert(rows[i].id, i);
    return indexes;
}

// Calls apply(current row, result row) for every result row still in the list.
template <class Apply> void applyById(QList<ServerRow> &rows, const QList<ServerRow> &results, Apply apply)
{
    const QHash<uint64_t, qsizetype> indexes = rowIndexes(rows);
    for (const ServerRow &result : results) {
        const auto found = indexes.constFind(result.id);
        if (found != indexes.constEnd())
            apply(rows[*found], result);
    }
}

// Pings every row of a copy: the pings may show messages, and the list may move meanwhile.
// A row's address becomes the one pinged, where there was one.
QList<ServerRow> pinged(QList<ServerRow> rows)
{
    QStringList addresses;
    for (const ServerRow &row : rows)
        addresses.append(row.address);
    const QList<PingOutcome> outcomes = PingServers(addresses);
    for (qsizetype i = 0; i < rows.size() && i < outcomes.size(); ++i) {
        rows[i].ping = outcomes[i].text;
        const QString address = outcomes[i].pingedAddress.value_or(QString());
        if (!address.isEmpty())
            rows[i].address = address;
    }
    return rows;
}

// Clears the refresh flag when an operation ends, unless its owner went away meanwhile.
class BusyScope {
public:
    BusyScope(ServerRefresh *owner, bool &flag) : m_owner(owner), m_flag(flag) { m_flag = true; }
    ~BusyScope()
    {
        if (m_owner)
            m_flag = false;
    }
    BusyScope(const BusyScope &) = delete;
    BusyScope &operator=(const BusyScope &) = delete;

private:
    QPointer<ServerRefresh> m_owner;
    bool &m_flag;
};

} // namespace

template <class Body> bool ServerRefresh::exclusive(Body &&body)
{
    if (m_busy)
        return false;
    BusyScope scope(this, m_busy);
    body();
    return true;
}

ServerRefresh::ServerRefresh(QObject *parent)
    : QObject(parent), m_probe(new StatusProbe(this)), m_batch(new ProbeBatch(this))
{
    connect(m_probe, &StatusProbe::DataArrival, this, &ServerRefresh::onProbeData);
}

bool ServerRefresh::UpdateServer(QList<ServerRow> &rows, qsizetype row)
{
    return exclusive([&] {
        TrapWith(numberOnly(QStringLiteral("Error In Updating Server")), [&] {
            if (row < 0 || row >= rows.size())
                return;
            rows[row].up = false;
            emit rowsChanged();
            SocketControl *socket = m_probe->socket();
            if (socket->State() == SocketControl::sckOpen)
                socket->Close();
            if (socket->State() == SocketControl::sckConnecting) {
                MsgBox(QStringLiteral("Please try again in a couple of seconds"));
                socket->Close();
            }
            ServerRow asked = rows[row];
            const QPointer<ServerRefresh> alive(this);
            probeOne(rows, asked.address, vb::CLng(asked.port), true);
            if (!alive)
                return;
            QString pingedAddress;
            asked.ping = PingServer(asked.address, pingedAddress);
            applyById(rows, {asked}, [](ServerRow &now, const ServerRow &result) { now.ping = result.ping; });
            m_probe->finish();
        });
    });
}

void ServerRefresh::UpdatePing(QList<ServerRow> &rows, qsizetype row)
{
    TrapWith(numberOnly(QStringLiteral("Error Pinging Server")), [&] {
        if (row < 0 || row >= rows.size())
            return;
        ServerRow asked = rows[row];
        QString pingedAddress;
        asked.ping = PingServer(asked.address, pingedAddress);
        applyById(rows, {asked}, [](ServerRow &now, const ServerRow &result) { now.ping = result.ping; });
    });
}

bool ServerRefresh::ProbeServer(QList<ServerRow> &rows, const QString &address, const QString &port)
{
    return exclusive([&] {
        const QPointer<ServerRefresh> alive(this);
        probeOne(rows, address, vb::CLng(port), false);
        if (alive)
            m_probe->finish();
    });
}

bool ServerRefresh::UpdateAllServers(QList<ServerRow> &rows, int timeoutMs)
{
    return exclusive([&] {
        const QPointer<ServerRefresh> alive(this);
        probeAll(rows, timeoutMs);
        if (alive)
            pingAll(rows);
    });
}

bool ServerRefresh::UpdateServers(QList<ServerRow> &rows, int timeoutMs)
{
    return exclusive([&] { probeAll(rows, timeoutMs); });
}

void ServerRefresh::UpdatePings(QList<ServerRow> &rows) { pingAll(rows); }

void ServerRefresh::FillPings(QList<ServerRow> &rows, qsizetype from)
{
    applyById(rows, pinged(rows.mid(from)), [](ServerRow &now, const ServerRow &result) {
        now.ping = result.ping;
        now.address = result.address;
    });
}

void ServerRefresh::probeOne(QList<ServerRow> &rows, const QString &address, int32_t port, bool showPointer)
{
    m_probe->aim(address, port);
    m_probedRows = &rows;
    m_askedRows.clear();
    for (const ServerRow &row : rows)
        m_askedRows.insert(row.id);
    if (showPointer)
        emit pointerBusy(true);
    const QPointer<ServerRefresh> alive(this);
    m_probe->wait();
    if (!alive)
        return;
    m_probedRows = nullptr;
    if (showPointer)
        emit pointerBusy(false);
}

void ServerRefresh::onProbeData()
{
    if (!m_probedRows)
        return;
    const QString host = m_probe->socket()->RemoteHost();
    for (ServerRow &row : *m_probedRows) {
        if (row.address == host && m_askedRows.contains(row.id))
            row.up = true;
    }
    m_probe->socket()->Close();
    emit rowsChanged();
}

void ServerRefresh::probeAll(QList<ServerRow> &rows, int timeoutMs)
{
    const QPointer<ServerRefresh> alive(this);
    TrapWith(numberAndDescription(QStringLiteral("Error Updating Servers")), [&] {
        QList<ProbeTarget> targets;
        std::optional<RuntimeError> failure;
        for (ServerRow &row : rows) {
            row.up = false;
            try {
                targets.append(ProbeTarget{row.address, portNumber(row.port)});
            } catch (...) {
                failure = currentError(std::current_exception());
                break;
            }
        }
        const qsizetype markedDown = targets.size() + (failure ? 1 : 0);
        emit rowsChanged();
        QList<ServerRow> asked = rows;
        const auto answers = m_batch->probe(targets, timeoutMs);
        if (!alive || !answers)
            return;
        markAnswered(asked, targets, *answers, markedDown);
        applyById(rows, asked, [](ServerRow &now, const ServerRow &result) { now.up = result.up; });
        if (failure)
            throw *failure;
        pingAll(rows);
    });
}

void ServerRefresh::pingAll(QList<ServerRow> &rows)
{
    TrapWith(numberAndDescription(QStringLiteral("Error Updating Pings")), [&] {
        applyById(rows, pinged(rows), [](ServerRow &now, const ServerRow &result) { now.ping = result.ping; });
    });
}
