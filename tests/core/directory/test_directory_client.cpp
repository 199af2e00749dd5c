// The five directory procedures through the real client, on PostgreSQL (psqlODBC) and on the
// embedded directory, in the orders players cause them: both must answer alike.
#include "core/state/AppState.h"
#include "core/directory/DirectoryClient.h"
#include "core/directory/DirectoryErrors.h"
#include "tests/core/directory/DirectoryTestSupport.h"
#include "tests/support/ProgramState.h"

#include <QTest>

#include <functional>

namespace {

// Each call leaves one line: the listed rows, "ok", or the error number.
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
    void post(const QString &name, const QString &game, const QString &ip, const QString &mods, const QString &key)
    {
        call([&] { AddServer(name, game, ip, QStringLiteral("2346"), mods, QStringLiteral("DSL"), key, ip); });
    }
    void call(const std::function<void()> &body)
    {
        run([&] {
            body();
            return QStringLiteral("ok");
        });
    }
    void note(bool done) { lines.append(done ? QStringLiteral("ok") : QStringLiteral("failed")); }

    QStringList lines;

private:
    void run(const std::function<QString()> &body)
    {
        try {
            lines.append(body());
        } catch (const RuntimeError &error) {
            const bool marked = error.description().contains(kAlreadyListedMarker);
            lines.append(QStringLiteral("error %1").arg(error.number()) +
                         (marked ? QStringLiteral(" listed") : QString()));
        }
    }
};

const char *const kExpected = R"(Rogue Spear: 
ok
ok
ok
Rogue Spear: Bravo's Café; #1|10.0.0.2|2346|mod one / Alpha|10.0.0.1|2346|
Eagle Watch: Eagle|10.0.0.3|2346|
ok
Rogue Spear: Alpha|10.0.0.1|2346| / Bravo's Café; #1|10.0.0.2|2346|mod one
error -2147217900 listed
ok
ok
Rogue Spear: Alpha|10.0.0.1|2346| / Bravo's Café; #1|10.0.0.2|2346|mod one
ok
Rogue Spear: Alpha|10.0.0.1|2346|
ok
ok
Rogue Spear: Alpha|10.0.0.1|2346|
ok
Rogue Spear: Old|10.0.0.7|2346| / Alpha|10.0.0.1|2346|
ok
Rogue Spear: Fresh|10.0.0.8|2346| / Old|10.0.0.7|2346| / Alpha|10.0.0.1|2346|
ok
Rogue Spear: Fresh|10.0.0.8|2346| / Old|10.0.0.7|2346|
Rainbow Six: )";

} // namespace

class TestDirectoryClient : public IsolatedTest {
    Q_OBJECT

private slots:
    void sameResultsOnBothDirectories_data()
    {
        QTest::addColumn<bool>("postgres");
        QTest::newRow("postgresql") << true;
        QTest::newRow("embedded") << false;
    }

    void sameResultsOnBothDirectories()
    {
        QFETCH(bool, postgres);
        DirectorySandbox sandbox;
        if (postgres) {
            QVERIFY2(testpg::Reset(), "the test PostgreSQL is not running");
            sandbox.usePostgres();
        }
        const QString embedded = postgres ? QString() : sandbox.embeddedPath();
        const QString a = QStringLiteral("10.0.0.1"), b = QStringLiteral("10.0.0.2");

        Transcript t;
        t.list(kRogueSpear);
        t.post(QStringLiteral("Alpha"), kRogueSpear, a, QString(), QStringLiteral("k1"));
        t.post(QStringLiteral("Bravo's Café; #1"), kRogueSpear, b, QStringLiteral("mod one"), QStringLiteral("k2"));
        t.post(QStringLiteral("Eagle"), kEagleWatch, QStringLiteral("10.0.0.3"), QString(), QStringLiteral("k3"));
        t.list(kRogueSpear);
        t.list(kEagleWatch);
        // Re-announcing moves an entry to the top.
        t.call([&] { UpdateServer(a, QStringLiteral("k1"), a); });
        t.list(kRogueSpear);
        // The same address again, even for another game, is refused with the procedure-error number.
        t.post(QStringLiteral("Copy"), kUrbanOperations, b, QString(), QStringLiteral("k4"));
        // A wrong key or a wrong source removes nothing; the right pair does.
        t.call([&] { DeleteServerPWed(b, QStringLiteral("wrong"), b); });
        t.call([&] { DeleteServerPWed(b, QStringLiteral("k2"), a); });
        t.list(kRogueSpear);
        t.call([&] { DeleteServerPWed(b, QStringLiteral("k2"), b); });
        t.list(kRogueSpear);
        // Entries posted more than 24 hours ago are not listed; a re-announced one is listed again,
        // and the address of another may be posted anew.
        t.note(InsertExpired(QStringLiteral("Old"), QStringLiteral("10.0.0.7"), QStringLiteral("k7"), embedded));
        t.note(InsertExpired(QStringLiteral("Stale"), QStringLiteral("10.0.0.8"), QStringLiteral("k8"), embedded));
        t.list(kRogueSpear);
        t.call([] { UpdateServer(QStringLiteral("10.0.0.7"), QStringLiteral("k7"), QStringLiteral("10.0.0.7")); });
        t.list(kRogueSpear);
        t.post(QStringLiteral("Fresh"), kRogueSpear, QStringLiteral("10.0.0.8"), QString(), QStringLiteral("k9"));
        t.list(kRogueSpear);
        t.call([&] { DeleteServer(a); });
        t.list(kRogueSpear);
        t.list(kRainbowSix);

        QCOMPARE(t.lines, QString::fromUtf8(kExpected).split(QLatin1Char('\n')));
    }
};

QTEST_GUILESS_MAIN(TestDirectoryClient)
#include "test_directory_client.moc"
