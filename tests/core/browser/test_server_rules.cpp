// Directory names and the five sorts of the server list.
#include "core/browser/ServerListRules.h"

#include <QTest>

class TestServerRules : public QObject {
    Q_OBJECT

private slots:
    void cleanNamesAndPorts()
    {
        QCOMPARE(CleanServerName("&&##;;&#x"), "&#''x");
        QCOMPARE(PortOrDefault(" "), " ");
    }

    void fiveSorts()
    {
        // name, address, port, mods, up, ping
        const QList<ServerRow> rows{
            {"b", "10.0.0.10", "1", "2", false, "12ms"},    {"B", "9.0.0.1", "1", "none", true, "Offline"},
            {"a", "host.example", "1", "10", true, "2ms"},  {"c", "10.0.0.9", "1", "", false, "110ms"},
            {"d", "10.0.0.10", "1", "alpha", true, "12ms"},
        };
        const struct {
            SortKey key;
            QStringList names;
        } cases[] = {
            // Up rows first, each group in its old order.
            {SortKey::Status, {"B", "a", "d", "b", "c"}},
            // Ping texts are not numbers, so they compare as text: "110ms" < "12ms" < "2ms" < "Offline".
            {SortKey::Ping, {"c", "b", "d", "a", "B"}},
            {SortKey::Hostname, {"B", "a", "b", "c", "d"}},
            // Addresses by value, equal ones in their old order, a name last.
            {SortKey::IP, {"B", "c", "b", "d", "a"}},
            // Descending: numbers by value only against numbers ("10" > "2"), otherwise as text.
            {SortKey::Mods, {"B", "d", "a", "b", "c"}},
        };
        for (const auto &c : cases) {
            QList<ServerRow> sorted = rows;
            SortServers(sorted, c.key);
            QStringList names;
            for (const ServerRow &row : sorted)
                names << row.name;
            QCOMPARE(names, c.names);
        }
    }
};

QTEST_GUILESS_MAIN(TestServerRules)
#include "test_server_rules.moc"
