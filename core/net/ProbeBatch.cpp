#include "core/net/ProbeBatch.h"

#include "core/net/ModPing.h"
#include "core/net/ProbeWait.h"
#include "core/net/SocketControl.h"

#include <QHostAddress>
#include <QPointer>

#include <sys/resource.h>

namespace {

// Room for one descriptor per socket on systems whose default soft limit is low.
void allowDescriptors(qsizetype sockets)
{
    constexpr rlim_t kReserve = 64;
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return;
    const rlim_t wanted = static_cast<rlim_t>(sockets) + kReserve;
    if (wanted > limit.rlim_cur) {
        limit.rlim_cur = limit.rlim_max == RLIM_INFINITY ? wanted : std::min(wanted, limit.rlim_max);
        ::setrlimit(RLIMIT_NOFILE, &limit);
    }
}

bool isAddressText(const QString &host)
{
    QHostAddress address;
    return address.setAddress(host);
}

// Each distinct host name once, looked up together; an address text stands for itself.
QHash<QString, QString> resolveAll(const QList<ProbeTarget> &targets)
{
    QHash<QString, QString> resolved;
    QStringList names;
    for (const ProbeTarget &target : targets) {
        if (resolved.contains(target.host))
            continue;
        const bool literal = isAddressText(target.host);
        resolved.insert(target.host, literal ? target.host : QString());
        if (!literal && !target.host.isEmpty())
            names.append(target.host);
    }
    const QStringList addresses = ResolveHostAddresses(names);
    for (qsizetype i = 0; i < names.size(); ++i)
        resolved[names[i]] = addresses[i];
    return resolved;
}

} // namespace

size_t qHash(const ProbeTarget &target, size_t seed) noexcept { return qHashMulti(seed, target.host, target.port); }

ProbeBatch::ProbeBatch(QObject *parent) : QObject(parent), m_wait(new ProbeWait(this)) {}

ProbeBatch::~ProbeBatch() { closeAll(); }

bool ProbeBatch::waiting() const { return m_wait->waiting(); }

quint16 ProbeBatch::localPort(const ProbeTarget &target) const
{
    const SocketControl *socket = m_sockets.value(target);
    return socket ? socket->LocalPort() : 0;
}

std::optional<QList<bool>> ProbeBatch::probe(const QList<ProbeTarget> &targets, int timeoutMs)
{
    if (m_wait->waiting())
        return std::nullopt;
    QList<ProbeTarget> distinct;
    QSet<ProbeTarget> seen;
    for (const ProbeTarget &target : targets) {
        const bool aimable = target.port > 0 && target.port <= 65535;
        if (aimable && !seen.contains(target)) {
            seen.insert(target);
            distinct.append(target);
        }
    }
    m_answered.clear();
    aimAll(distinct);
    if (!m_sockets.isEmpty()) {
        m_wait->setInterval(timeoutMs);
        m_wait->begin();
        emit aimed();
        const QPointer<ProbeBatch> alive(this);
        m_wait->run();
        if (!alive)
            return std::nullopt;
        m_wait->stop();
    }
    closeAll();
    QList<bool> answers;
    for (const ProbeTarget &target : targets)
        answers.append(m_answered.contains(target));
    return answers;
}

void ProbeBatch::aimAll(const QList<ProbeTarget> &distinct)
{
    allowDescriptors(distinct.size());
    const QHash<QString, QString> resolved = resolveAll(distinct);
    for (const ProbeTarget &target : distinct) {
        const QString address = resolved.value(target.host);
        if (address.isEmpty())
            continue;
        auto *socket = new SocketControl(this);
        socket->setRemoteHost(address);
        socket->setRemotePort(target.port);
        socket->Connect();
        if (socket->State() != SocketControl::sckOpen) {
            delete socket;
            continue;
        }
        // The first datagram answers for the target; its socket has done its work.
        connect(socket, &SocketControl::DataArrival, this, [this, target, socket] {
            m_answered.insert(target);
            socket->Close();
        });
        m_sockets.insert(target, socket);
    }
}

void ProbeBatch::closeAll()
{
    for (SocketControl *socket : std::as_const(m_sockets))
        delete socket;
    m_sockets.clear();
}
