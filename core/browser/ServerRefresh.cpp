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

QStringList addressesOf(const QList<ServerRow> &rows)
{
    QStringList addresses;
    for (const ServerRow &row : rows)
        addresses.append(row.address);
    return addresses;
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
            SocketControl *socket = m_probe->socket();
            if (socket->State() == SocketControl::sckOpen)
                socket->Close();
            if (socket->State() == SocketControl::sckConnecting) {
                MsgBox(QStringLiteral("Please try again in a couple of seconds"));
                socket->Close();
            }
            const QString address = rows[row].address;
            const QPointer<ServerRefresh> alive(this);
            probeOne(rows, address, vb::CLng(rows[row].port), true);
            if (!alive)
                return;
            QString pinged;
            const QString ping = PingServer(address, pinged);
            if (row < rows.size())
                rows[row].ping = ping;
            m_probe->finish();
        });
    });
}

bool ServerRefresh::UpdatePing(QList<ServerRow> &rows, qsizetype row)
{
    return exclusive([&] {
        TrapWith(numberOnly(QStringLiteral("Error Pinging Server")), [&] {
            if (row < 0 || row >= rows.size())
                return;
            QString pinged;
            const QString ping = PingServer(rows[row].address, pinged);
            if (row < rows.size())
                rows[row].ping = ping;
        });
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

bool ServerRefresh::UpdatePings(QList<ServerRow> &rows)
{
    return exclusive([&] { pingAll(rows); });
}

bool ServerRefresh::FillPings(QList<ServerRow> &rows)
{
    return exclusive([&] {
        const QList<PingOutcome> outcomes = PingServers(addressesOf(rows));
        for (qsizetype i = 0; i < rows.size() && i < outcomes.size(); ++i) {
            rows[i].ping = outcomes[i].text;
            rows[i].address = outcomes[i].pingedAddress.value_or(QString());
        }
    });
}

void ServerRefresh::probeOne(QList<ServerRow> &rows, const QString &address, int32_t port, bool showPointer)
{
    m_probe->aim(address, port);
    m_probedRows = &rows;
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
        if (row.address == host)
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
        const auto answers = m_batch->probe(targets, timeoutMs);
        if (!alive || !answers)
            return;
        markAnswered(rows, targets, *answers, markedDown);
        if (failure)
            throw *failure;
        pingAll(rows);
    });
}

void ServerRefresh::pingAll(QList<ServerRow> &rows)
{
    TrapWith(numberAndDescription(QStringLiteral("Error Updating Pings")), [&] {
        const QList<PingOutcome> outcomes = PingServers(addressesOf(rows));
        for (qsizetype i = 0; i < rows.size() && i < outcomes.size(); ++i)
            rows[i].ping = outcomes[i].text;
    });
}
