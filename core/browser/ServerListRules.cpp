#include "core/browser/ServerListRules.h"

#include "core/state/AppState.h"

#include <QLocale>

#include <algorithm>
#include <numeric>
#include <optional>

namespace {

std::optional<double> PlainNumber(const QString &text)
{
    bool ok = false;
    const double value = QLocale::c().toDouble(text.trimmed(), &ok);
    return ok ? std::optional<double>(value) : std::nullopt;
}

// Negative, zero or positive, as a grid's generic sort orders two cells.
int CompareGeneric(const QString &a, const QString &b)
{
    const auto x = PlainNumber(a);
    const auto y = PlainNumber(b);
    if (x && y)
        return *x < *y ? -1 : (*x > *y ? 1 : 0);
    return a.compare(b, Qt::CaseSensitive);
}

std::optional<quint32> DottedValue(const QString &text)
{
    const QStringList parts = text.trimmed().split(QLatin1Char('.'));
    if (parts.size() != 4)
        return std::nullopt;
    quint32 value = 0;
    for (const QString &part : parts) {
        bool ok = false;
        const uint octet = part.toUInt(&ok);
        if (!ok || octet > 255)
            return std::nullopt;
        value = (value << 8) | octet;
    }
    return value;
}

bool AddressLess(const QString &a, const QString &b)
{
    const auto x = DottedValue(a);
    const auto y = DottedValue(b);
    if (x && y)
        return *x < *y;
    if (x || y)
        return bool(x);
    return a.compare(b, Qt::CaseSensitive) < 0;
}

} // namespace

QString CleanServerName(const QString &name)
{
    QString clean = name;
    clean.remove(QStringLiteral("&#"));
    clean.replace(QLatin1Char(';'), QLatin1Char('\''));
    return clean;
}

QString PortOrDefault(const QString &port) { return port.isEmpty() ? kDefaultPort : port; }

QList<int> SortOrder(const QList<ServerRow> &rows, SortKey key)
{
    QList<int> order(rows.size());
    std::iota(order.begin(), order.end(), 0);
    auto sortBy = [&](auto less) {
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return less(rows[a], rows[b]); });
    };
    switch (key) {
    case SortKey::Status: sortBy([](const ServerRow &a, const ServerRow &b) { return a.up && !b.up; }); break;
    case SortKey::Ping:
        sortBy([](const ServerRow &a, const ServerRow &b) { return CompareGeneric(a.ping, b.ping) < 0; });
        break;
    case SortKey::Hostname:
        sortBy([](const ServerRow &a, const ServerRow &b) { return a.name.compare(b.name) < 0; });
        break;
    case SortKey::IP:
        sortBy([](const ServerRow &a, const ServerRow &b) { return AddressLess(a.address, b.address); });
        break;
    case SortKey::Mods:
        sortBy([](const ServerRow &a, const ServerRow &b) { return CompareGeneric(a.mods, b.mods) > 0; });
        break;
    }
    return order;
}

void SortServers(QList<ServerRow> &rows, SortKey key)
{
    QList<ServerRow> sorted;
    sorted.reserve(rows.size());
    for (int index : SortOrder(rows, key))
        sorted.append(rows[index]);
    rows = std::move(sorted);
}
