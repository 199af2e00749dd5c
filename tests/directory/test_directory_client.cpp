// The five directory procedures through the real client, on PostgreSQL (psqlODBC) and on the
// embedded directory, in the orders players cause them.
#include "app/AppState.h"
#include "directory/DirectoryClient.h"
#include "directory/DirectoryErrors.h"
#include "tests/directory/DirectoryTestSupport.h"

#include <QTest>

#include <functional>

namespace {

// Runs one call and writes what came back as one line: the rows, "ok" or the error number.
class Transcript {
public:
    void list(const QString &game)
    {
        run([&] {
            QStringList rows;
            for (const DbServerRow &row : ActiveServers(game))
                rows.append(QStringList{row.name, row.ip, row.port, row.mods}.join(QLatin1Char('|')));
            return game + QStringLiteral(": ") + rows.join(QStringLiteral(" / "));
        });
    }
    void post(const QString &name, const QString &game, const QString &ip, const QString &port, const QString &mods,
              const QString &key)
    {
        run([&] {
            AddServer(name, game, ip, port, mods, QStringLiteral("DSL"), key, ip);
            return QStringLiteral("ok");
        });
    }
    void call(const std::function<void()> &body)
    {
        run([&] {
            body();
            return QStringLiteral("ok");
        });
    }
    void note(const QString &line) { m_lines.append(line); }
    const QStringList &lines() const { return m_lines; }

private:
    void run(const std::function<QString()> &body)
    {
        try {
            m_lines.append(body());
        } catch (const RuntimeError &error) {
            const bool marked = error.description().contains(kAlreadyListedMarker);
            m_lines.append(QStringLiteral("error %1%2").arg(error.number()).arg(marked ? QStringLiteral(" listed") : QString()));
        }
    }
    QStringList m_lines;
};

} // namespace

class TestDirectoryClient : public QObject {
    Q_OBJECT

private slots:
    void sameResultsOnBothDirectories_data();
    void sameResultsOnBothDirectories();
};

void TestDirectoryClient::sameResultsOnBothDirectories_data()
{
    QTest::addColumn<bool>("postgres");
    QTest::newRow("postgresql") << true;
    QTest::newRow("embedded") << false;
}

void TestDirectoryClient::sameResultsOnBothDirectories()
{
    QFETCH(bool, postgres);
    DirectorySandbox sandbox;
    if (postgres) {
        QVERIFY2(testpg::Exec(QStringLiteral("DELETE FROM directory_entries")), "the test PostgreSQL is not running");
        sandbox.usePostgres();
    } else {
        sandbox.useEmbedded();
    }
    const auto insertExpired = [&](const QString &name, const QString &ip, const QString &key) {
        return postgres ? InsertExpiredPostgres(name, kRogueSpear, ip, key)
                        : InsertExpiredEmbedded(sandbox.embeddedPath(), name, kRogueSpear, ip, key);
    };

    Transcript t;
    t.list(kRogueSpear);
    t.post(QStringLiteral("Alpha Base"), kRogueSpear, QStringLiteral("10.0.0.1"), QStringLiteral("2346"), QString(),
           QStringLiteral("k1"));
    t.post(QStringLiteral("Bravo's Café; #1"), kRogueSpear, QStringLiteral("10.0.0.2"), QStringLiteral("2347"),
           QStringLiteral("mod one"), QStringLiteral("k2"));
    t.post(QStringLiteral("Eagle"), kEagleWatch, QStringLiteral("10.0.0.3"), QStringLiteral("2346"), QString(),
           QStringLiteral("k3"));
    t.list(kRogueSpear);
    t.list(kEagleWatch);
    // Re-announcing moves an entry to the top.
    t.call([] { UpdateServer(QStringLiteral("10.0.0.1"), QStringLiteral("k1"), QStringLiteral("10.0.0.1")); });
    t.list(kRogueSpear);
    // The same address again, even for another game, is refused with the procedure-error number.
    t.post(QStringLiteral("Copy"), kUrbanOperations, QStringLiteral("10.0.0.2"), QStringLiteral("2346"), QString(),
           QStringLiteral("k4"));
    t.call([] { DeleteServerPWed(QStringLiteral("10.0.0.2"), QStringLiteral("wrong"), QStringLiteral("10.0.0.2")); });
    t.call([] { DeleteServerPWed(QStringLiteral("10.0.0.2"), QStringLiteral("k2"), QStringLiteral("10.0.0.9")); });
    t.list(kRogueSpear);
    t.call([] { DeleteServerPWed(QStringLiteral("10.0.0.2"), QStringLiteral("k2"), QStringLiteral("10.0.0.2")); });
    t.list(kRogueSpear);
    // Entries posted more than 24 hours ago are not listed...
    t.note(insertExpired(QStringLiteral("Old"), QStringLiteral("10.0.0.7"), QStringLiteral("k7")) ? "old" : "no old");
    t.note(insertExpired(QStringLiteral("Stale"), QStringLiteral("10.0.0.8"), QStringLiteral("k8")) ? "old" : "no old");
    t.list(kRogueSpear);
    // ...an old entry that is re-announced is listed again...
    t.call([] { UpdateServer(QStringLiteral("10.0.0.7"), QStringLiteral("k7"), QStringLiteral("10.0.0.7")); });
    t.list(kRogueSpear);
    // ...and an old entry's address may be posted anew.
    t.post(QStringLiteral("Fresh"), kRogueSpear, QStringLiteral("10.0.0.8"), QStringLiteral("2350"), QString(),
           QStringLiteral("k9"));
    t.list(kRogueSpear);
    t.call([] { DeleteServer(QStringLiteral("10.0.0.1")); });
    t.list(kRogueSpear);
    t.list(kRainbowSix);
    t.list(kEagleWatch);

    const QStringList expected = {
        QStringLiteral("Rogue Spear: "),
        QStringLiteral("ok"),
        QStringLiteral("ok"),
        QStringLiteral("ok"),
        QStringLiteral("Rogue Spear: Bravo's Café; #1|10.0.0.2|2347|mod one / Alpha Base|10.0.0.1|2346|"),
        QStringLiteral("Eagle Watch: Eagle|10.0.0.3|2346|"),
        QStringLiteral("ok"),
        QStringLiteral("Rogue Spear: Alpha Base|10.0.0.1|2346| / Bravo's Café; #1|10.0.0.2|2347|mod one"),
        QStringLiteral("error -2147217900 listed"),
        QStringLiteral("ok"),
        QStringLiteral("ok"),
        QStringLiteral("Rogue Spear: Alpha Base|10.0.0.1|2346| / Bravo's Café; #1|10.0.0.2|2347|mod one"),
        QStringLiteral("ok"),
        QStringLiteral("Rogue Spear: Alpha Base|10.0.0.1|2346|"),
        QStringLiteral("old"),
        QStringLiteral("old"),
        QStringLiteral("Rogue Spear: Alpha Base|10.0.0.1|2346|"),
        QStringLiteral("ok"),
        QStringLiteral("Rogue Spear: Old|10.0.0.7|2346| / Alpha Base|10.0.0.1|2346|"),
        QStringLiteral("ok"),
        QStringLiteral("Rogue Spear: Fresh|10.0.0.8|2350| / Old|10.0.0.7|2346| / Alpha Base|10.0.0.1|2346|"),
        QStringLiteral("ok"),
        QStringLiteral("Rogue Spear: Fresh|10.0.0.8|2350| / Old|10.0.0.7|2346|"),
        QStringLiteral("Rainbow Six: "),
        QStringLiteral("Eagle Watch: Eagle|10.0.0.3|2346|"),
    };
    QCOMPARE(t.lines(), expected);
}

QTEST_GUILESS_MAIN(TestDirectoryClient)
#include "test_directory_client.moc"
