// The directory procedures through the real client, as tables of steps run against a directory:
// PostgreSQL (psqlODBC) and the embedded file must answer alike; the PostgreSQL directory also
// keeps rules for players (removal by calling address, hashed keys, flood limits, input checks,
// what the player login may not touch, poolers, the removal log) and upgrades a directory whose
// keys were stored in clear.
#include "core/state/AppState.h"
#include "core/directory/DirectoryClient.h"
#include "core/directory/DirectoryErrors.h"
#include "tests/core/directory/DirectoryTestSupport.h"
#include "tests/support/ProgramState.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Who makes a step: a player on this computer (127.0.0.1), a player on a second computer
// (127.0.0.2), or the directory's administrator.
enum Who { Here, There, Admin };

// The fields of a post a step may change.
enum Field { Name = 0, Game = 1, Port = 3, Mods = 4, Key = 6 };

struct Step {
    Who who;
    QString call; // a directory procedure, "sql" for SQL text, or "expired" for an entry posted 25 hours ago
    QStringList args;
    QString expect; // "ok", the listed rows, the value SQL returns, or the error number and refusal word
};

enum class Backend { Embedded, Postgres, Upgraded };

const QString kRefused = QString::number(direrr::CommandFailed) + ' ';

Step Add(Who who, const QString &ip, const QString &expect,
         std::initializer_list<std::pair<Field, QString>> changed = {})
{
    QStringList args = {"Rules", "Rogue Spear", ip, "2346", {}, "DSL", "key", ip};
    for (const auto &[field, value] : changed)
        args[field] = value;
    return {who, "AddServer", args, expect};
}

Step Sql(Who who, const QString &sql, const QString &expect) { return {who, "sql", {sql}, expect}; }

Step Listed(const QString &game, const QString &expect) { return {Here, "ActiveServers", {game}, expect}; }

QString Outcome(const Step &step, const QString &connection, const QString &embeddedPath)
{
    if (step.call == "sql")
        return testpg::Query(step.args[0], connection);
    if (step.call == "expired")
        return InsertExpired(step.args[0], step.args[1], "key", embeddedPath) ? "ok" : "failed";
    try {
        if (step.call != "ActiveServers") {
            OpenDirectory()->call(step.call, step.args, {});
            return "ok";
        }
        QStringList rows;
        for (const DbServerRow &row : ActiveServers(step.args[0]))
            rows.append(QStringList{row.name, row.ip, row.port, row.mods}.join('|'));
        return rows.join(" / ");
    } catch (const RuntimeError &error) {
        // The refusal word and what it names come before the first ':' of the server's message.
        const bool listed = error.description().contains(kAlreadyListedMarker);
        return QString::number(error.number()) + ' ' +
               (listed ? "listed" : testpg::ServerMessage(error.description()).section(':', 0, 0));
    }
}

QList<Step> BothAlike()
{
    const QString alpha = "Alpha|10.0.0.1|2346|", bravo = "Bravo's Café; #1|10.0.0.2|2346|mod one";
    return {
        Add(Here, "10.0.0.1", "ok", {{Name, "Alpha"}}),
        Add(Here, "10.0.0.2", "ok", {{Name, "Bravo's Café; #1"}, {Mods, "mod one"}}),
        // Another game's entry is not listed with Rogue Spear's.
        Add(Here, "10.0.0.3", "ok", {{Name, "Eagle"}, {Game, kEagleWatch}}),
        Listed(kRogueSpear, bravo + " / " + alpha),
        // Re-announcing moves an entry to the top.
        {Here, "UpdateServer", {"10.0.0.1", "key", "10.0.0.1"}, "ok"},
        // The same address again, even for another game, is refused with the procedure-error number.
        Add(Here, "10.0.0.2", kRefused + "listed", {{Game, kUrbanOperations}}),
        // A wrong key or a wrong source removes nothing (and the re-announced entry is on top); the
        // right pair removes.
        {Here, "DeleteServerPWed", {"10.0.0.2", "wrong", "10.0.0.2"}, "ok"},
        {Here, "DeleteServerPWed", {"10.0.0.2", "key", "10.0.0.1"}, "ok"},
        Listed(kRogueSpear, alpha + " / " + bravo),
        {Here, "DeleteServerPWed", {"10.0.0.2", "key", "10.0.0.2"}, "ok"},
        // Entries posted more than 24 hours ago are not listed; a re-announced one is listed again,
        // and the address of another may be posted anew.
        {Admin, "expired", {"Old", "10.0.0.7"}, "ok"},
        {Admin, "expired", {"Stale", "10.0.0.8"}, "ok"},
        {Here, "UpdateServer", {"10.0.0.7", "key", "10.0.0.7"}, "ok"},
        Listed(kRogueSpear, "Old|10.0.0.7|2346| / " + alpha),
        Add(Here, "10.0.0.8", "ok", {{Name, "Fresh"}}),
        {Here, "DeleteServer", {"10.0.0.1"}, "ok"},
        Listed(kRogueSpear, "Fresh|10.0.0.8|2346| / Old|10.0.0.7|2346|"),
    };
}

QList<Step> PlayerRules()
{
    const QString x64(64, 'x'), label63(63, 'h');
    const QString host254 = QStringList{label63, label63, label63, QString(60, 'h'), "a"}.join('.');
    const QString limits = "UPDATE directory_limits SET value = CASE name WHEN 'posts_per_hour_per_address' ";
    return {
        // DeleteServer without a key: only from the listed address (or the poster's, shown for both backends).
        Add(Here, "10.0.0.1", "ok"),
        {There, "DeleteServer", {"10.0.0.1"}, kRefused + "NOTPERMITTED"},
        Add(Here, "127.0.0.2", "ok"),
        {There, "DeleteServer", {"127.0.0.2"}, "ok"},
        {There, "DeleteServer", {"10.9.9.9"}, "ok"},
        // Keys are kept as bcrypt hashes; the key, from any address, removes (the removal log shows
        // it), which a key kept in clear could not: it is no salt for crypt().
        Add(Here, "10.0.0.2", "ok", {{Key, "s3cret"}}),
        Sql(Admin, "SELECT left(keyhash, 7) FROM directory_entries WHERE ipaddress = '10.0.0.2'", "$2a$06$"),
        {There, "DeleteServerPWed", {"10.0.0.2", "s3cret", "10.0.0.2"}, "ok"},
        // The player login reaches no table and no function but the five.
        Sql(Here, "SELECT count(*) FROM directory_entries", "permission denied for table directory_entries"),
        Sql(Here, "SELECT directory_check_limits(NULL)", "permission denied for function directory_check_limits"),
        // Input checks name the field; the largest allowed values pass.
        Add(Here, "10.0.1.1", "ok", {{Name, x64}}),
        Add(Here, "10.0.1.2", kRefused + "INVALID ServerName", {{Name, x64 + 'x'}}),
        Add(Here, "10.0.1.2", kRefused + "INVALID ServerName", {{Name, "two\nlines"}}),
        Add(Here, "10.0.1.2", kRefused + "INVALID Mods", {{Mods, QString(129, 'm')}}),
        Add(Here, "10.0.1.2", kRefused + "INVALID Gametype", {{Game, "Doom"}}),
        Add(Here, "10.0.1.2", kRefused + "INVALID Port", {{Port, "0"}}),
        Add(Here, "10.0.1.2", kRefused + "INVALID Port", {{Port, "65536"}}),
        Add(Here, "10.0.1.2", kRefused + "INVALID Port", {{Port, "23a"}}),
        Add(Here, "256.1.1.1", kRefused + "INVALID IPAddress"),
        Add(Here, "bad_host.example", kRefused + "INVALID IPAddress"),
        Add(Here, host254, kRefused + "INVALID IPAddress"),
        Add(Here, "game-1.example.org", "ok", {{Port, "65535"}}),
        // At most 4 live entries per calling address; another address is not held back, and a
        // removal lifts the limit again.
        Add(There, "10.0.2.1", "ok"),
        Add(There, "10.0.2.2", "ok"),
        Add(There, "10.0.2.3", "ok"),
        Add(There, "10.0.2.4", "ok"),
        Add(There, "10.0.2.5", kRefused + "LIMIT live_entries_per_address"),
        Add(Here, "10.0.2.5", "ok"),
        {There, "DeleteServerPWed", {"10.0.2.1", "key", "10.0.2.1"}, "ok"},
        Add(There, "10.0.2.6", "ok"),
        // Posts an hour: the administrator lowers the limit to 5 and switches the other off;
        // the limit lifts once the posts are more than an hour old.
        Sql(Admin, limits + "THEN 5 END RETURNING 'set'", "set"),
        Add(There, "10.0.2.7", kRefused + "LIMIT posts_per_hour_per_address"),
        Sql(Admin, "UPDATE directory_posts SET posted_at = posted_at - interval '61 minutes' RETURNING 'aged'", "aged"),
        Add(There, "10.0.2.7", "ok"),
        Sql(Admin, limits + "THEN 30 ELSE 4 END RETURNING 'set'", "set"),
        // Through a listed pooler nobody has an address: the poster's own removal is refused too.
        Sql(Admin, "INSERT INTO directory_poolers VALUES ('127.0.0.2') RETURNING 'pooler'", "pooler"),
        {There, "DeleteServer", {"10.0.2.2"}, kRefused + "NOTPERMITTED"},
        Sql(Admin, "DELETE FROM directory_poolers RETURNING 'direct'", "direct"),
        // What was removed, from where and how; refused removals removed nothing and left no trace.
        Sql(Admin,
            "SELECT string_agg(ipaddress || ' from ' || host(calledfrom) || ' by ' || via, ', ' ORDER BY removed_at) "
            "FROM directory_removals",
            "127.0.0.2 from 127.0.0.2 by DeleteServer, "
            "10.0.0.2 from 127.0.0.2 by DeleteServerPWed, 10.0.2.1 from 127.0.0.2 by DeleteServerPWed"),
    };
}

// Run on a directory that the upgrade script took over from one with keys in clear: the
// players' calls work with the keys they posted with, which only their hashes can match now.
QList<Step> Upgraded()
{
    return {
        Sql(Admin, "SELECT serverkey FROM directory_entries", "column \"serverkey\" does not exist"),
        Listed(kRogueSpear, "Clear one|10.3.0.1|2346| / Clear two|10.3.0.2|2346|mod"),
        {Here, "UpdateServer", {"10.3.0.3", "k3", "10.3.0.3"}, "ok"},
        {Here, "UpdateServer", {"10.3.0.2", "k2", "10.3.0.2"}, "ok"},
        {Here, "DeleteServerPWed", {"10.3.0.1", "old key", "10.3.0.1"}, "ok"},
        Listed(kRogueSpear, "Clear two|10.3.0.2|2346|mod / Lapsed|10.3.0.3|2346|"),
    };
}

// Puts the directory of the backend in place, empty or (Upgraded) upgraded from the keys-in-clear release.
bool Prepare(Backend backend)
{
    const QString upgraded = "skirmdeck_upgrade";
    if (backend != Backend::Upgraded)
        return testpg::Exec("TRUNCATE directory_entries, directory_posts, directory_removals");
    // The script runs twice: the second run finds the upgraded directory and must leave it as it is.
    return testpg::Exec("DROP DATABASE IF EXISTS " + upgraded) && testpg::Exec("CREATE DATABASE " + upgraded) &&
           testpg::RunScript(upgraded, qEnvironmentVariable("SKD_DIRECTORY_TEST_DATA") + "/clear-key-directory.sql") &&
           testpg::RunScript(upgraded, qEnvironmentVariable("SKD_DIRECTORY_SQL")) &&
           testpg::RunScript(upgraded, qEnvironmentVariable("SKD_DIRECTORY_SQL"));
}

} // namespace

Q_DECLARE_METATYPE(Backend)
Q_DECLARE_METATYPE(Step)

class TestDirectoryRules : public IsolatedTest {
    Q_OBJECT

private slots:
    void steps_data()
    {
        QTest::addColumn<Backend>("backend");
        QTest::addColumn<QList<Step>>("steps");
        QTest::newRow("alike: embedded") << Backend::Embedded << BothAlike();
        QTest::newRow("alike: postgresql") << Backend::Postgres << BothAlike();
        QTest::newRow("player rules") << Backend::Postgres << PlayerRules();
        QTest::newRow("upgrade from keys in clear") << Backend::Upgraded << Upgraded();
    }

    void steps()
    {
        QFETCH(Backend, backend);
        QFETCH(QList<Step>, steps);
        DirectorySandbox sandbox;
        const bool embedded = backend == Backend::Embedded;
        QVERIFY2(embedded || Prepare(backend), "the test PostgreSQL is not running");
        const SourceAddressRelay secondComputer("127.0.0.2");
        const QString database = backend == Backend::Upgraded ? "skirmdeck_upgrade" : testpg::kDatabase;
        const QString connections[] = {testpg::ConnectionString({}, testpg::kPlayer, database),
                                       testpg::ConnectionString(secondComputer.port(), testpg::kPlayer, database),
                                       testpg::ConnectionString({}, testpg::kAdmin, database)};

        QStringList expected, outcomes;
        for (qsizetype i = 0; i < steps.size(); ++i) {
            const Step &step = steps[i];
            if (!embedded)
                sandbox.setSetting("DirectoryConnection", connections[step.who]);
            const QString label = QString("%1 %2 %3: ").arg(i).arg(step.call, step.args.value(0).left(40));
            expected.append(label + step.expect);
            outcomes.append(label + Outcome(step, connections[step.who], embedded ? sandbox.embeddedPath() : ""));
        }
        QCOMPARE(outcomes, expected);
    }

    // The embedded directory is the program's own file, kept in its data folder and out of the Wine prefix whose
    // system.reg holds the settings; one that an earlier version left beside that file keeps its entries.
    void embeddedDirectoryFile()
    {
        QTemporaryDir home;
        const QString prefix = home.filePath(".wine"), inData = home.filePath("data/skirmdeck/directory.sqlite");
        QVERIFY(QDir().mkpath(prefix) && WriteTestFile(prefix + "/system.reg", HiveHeader()));
        const ScopedEnv settings("SKIRMDECK_REGISTRY", QFile::encodeName(prefix + "/system.reg"));
        const ScopedEnv data("XDG_DATA_HOME", QFile::encodeName(home.filePath("data")));
        AddServer("Mine", kRogueSpear, "10.0.0.5", "2346", {}, "DSL", "k", "10.0.0.5");
        QVERIFY(QFileInfo::exists(inData) && !QFileInfo::exists(prefix + "/directory.sqlite"));
        QVERIFY(QFile::rename(inData, prefix + "/directory.sqlite"));
        QCOMPARE(ActiveServers(kRogueSpear).size(), 1);
        QVERIFY(!QFileInfo::exists(inData));
        // The tests' own file wins over both.
        const ScopedEnv seam("SKIRMDECK_DIRECTORY_DB", QFile::encodeName(home.filePath("own.sqlite")));
        QVERIFY(ActiveServers(kRogueSpear).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestDirectoryRules)
#include "test_directory_rules.moc"
