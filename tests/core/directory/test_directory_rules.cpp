// The rules the PostgreSQL directory keeps for players: removal by calling address, hashed keys,
// flood limits, input checks, what the player login may not touch, poolers, the removal log, and
// the upgrade of a directory whose keys were stored in clear.
#include "core/state/AppState.h"
#include "core/directory/DirectoryClient.h"
#include "tests/core/directory/DirectoryTestSupport.h"
#include "tests/support/ProgramState.h"

#include <QTest>

namespace {

// Who makes a step: a player on this computer (127.0.0.1), a player on a second computer
// (127.0.0.2), or the directory's administrator running SQL.
enum class Who { Here, There, Admin };

struct Step {
    Who who;
    QString call; // a directory procedure, or "sql" for SQL text in args[0]
    QStringList args;
    QString expect; // "ok", the listed addresses, the value SQL returns, or the server's message up to ':'
};

QStringList Post(const QString &ip, const QMap<QString, QString> &changed = {})
{
    const QStringList names = {QStringLiteral("ServerName"), QStringLiteral("Gametype"),
                               QStringLiteral("IPAddress"),  QStringLiteral("Port"),
                               QStringLiteral("Mods"),       QStringLiteral("ConnectionType"),
                               QStringLiteral("ServerKey"),  QStringLiteral("Source")};
    const QStringList plain = {QStringLiteral("Rules"), QStringLiteral("Rogue Spear"), ip, QStringLiteral("2346"), {},
                               QStringLiteral("DSL"),   QStringLiteral("key"),         ip};
    QStringList args;
    for (qsizetype i = 0; i < names.size(); ++i)
        args.append(changed.value(names[i], plain[i]));
    return args;
}

Step Add(Who who, const QString &ip, const QString &expect, const QMap<QString, QString> &changed = {})
{
    return {who, QStringLiteral("AddServer"), Post(ip, changed), expect};
}

Step Sql(Who who, const QString &sql, const QString &expect) { return {who, QStringLiteral("sql"), {sql}, expect}; }

Step Listed(const QString &expect) { return {Who::Here, QStringLiteral("ActiveServers"), {kRogueSpear}, expect}; }

// The server's message up to its first ':', which holds the refusal word and what it names.
QString Refusal(const RuntimeError &error)
{
    return testpg::ServerMessage(error.description()).section(QLatin1Char(':'), 0, 0);
}

QString RunCall(const Step &step, const QString &connection, DirectorySandbox &sandbox)
{
    sandbox.setSetting(QStringLiteral("DirectoryConnection"), connection);
    try {
        if (step.call == QStringLiteral("ActiveServers")) {
            QStringList ips;
            for (const DbServerRow &row : ActiveServers(step.args[0]))
                ips.append(row.ip);
            return ips.join(QLatin1Char(' '));
        }
        OpenDirectory()->call(step.call, step.args, {});
        return QStringLiteral("ok");
    } catch (const RuntimeError &error) {
        return Refusal(error);
    }
}

} // namespace

class TestDirectoryRules : public IsolatedTest {
    Q_OBJECT

private slots:
    void playersKeepToTheRules()
    {
        QVERIFY2(testpg::Exec(QStringLiteral("TRUNCATE directory_entries, directory_posts, directory_removals")),
                 "the test PostgreSQL is not running");
        DirectorySandbox sandbox;
        const SourceAddressRelay secondComputer(QStringLiteral("127.0.0.2"));
        const QString here = testpg::ConnectionString({}, testpg::kPlayer);
        const QString there = testpg::ConnectionString(secondComputer.port(), testpg::kPlayer);
        const QString x64 = QString(64, QLatin1Char('x'));
        const QString label63 = QString(63, QLatin1Char('h'));
        const QString longHost =
            QStringList{label63, label63, label63, QString(60, QLatin1Char('h')), QStringLiteral("a")}.join(
                QLatin1Char('.')); // 254 characters
        const QString notPermitted = QStringLiteral("NOTPERMITTED");

        const QList<Step> steps = {
            // DeleteServer without a key: only from the listed address or the one that posted it.
            Add(Who::Here, QStringLiteral("10.0.0.1"), QStringLiteral("ok")),
            {Who::There, QStringLiteral("DeleteServer"), {QStringLiteral("10.0.0.1")}, notPermitted},
            Add(Who::Here, QStringLiteral("127.0.0.2"), QStringLiteral("ok")),
            {Who::There, QStringLiteral("DeleteServer"), {QStringLiteral("127.0.0.2")}, QStringLiteral("ok")},
            Listed(QStringLiteral("10.0.0.1")),
            {Who::Here, QStringLiteral("DeleteServer"), {QStringLiteral("10.0.0.1")}, QStringLiteral("ok")},
            {Who::There, QStringLiteral("DeleteServer"), {QStringLiteral("10.9.9.9")}, QStringLiteral("ok")},
            // Keys are kept as bcrypt hashes; the key, from any address, removes.
            Add(Who::Here, QStringLiteral("10.0.0.2"), QStringLiteral("ok"),
                {{QStringLiteral("ServerKey"), QStringLiteral("s3cret")}}),
            Sql(Who::Admin,
                QStringLiteral("SELECT left(keyhash, 7) || (keyhash = crypt('s3cret', keyhash)) || "
                               "(strpos(keyhash, 's3cret') > 0) FROM directory_entries"),
                QStringLiteral("$2a$06$truefalse")),
            {Who::There,
             QStringLiteral("DeleteServerPWed"),
             {QStringLiteral("10.0.0.2"), QStringLiteral("wrong"), QStringLiteral("10.0.0.2")},
             QStringLiteral("ok")},
            Listed(QStringLiteral("10.0.0.2")),
            {Who::There,
             QStringLiteral("DeleteServerPWed"),
             {QStringLiteral("10.0.0.2"), QStringLiteral("s3cret"), QStringLiteral("10.0.0.2")},
             QStringLiteral("ok")},
            Listed({}),
            // The player login reaches nothing but the five functions.
            Sql(Who::Here, QStringLiteral("SELECT count(*) FROM directory_entries"),
                QStringLiteral("permission denied for table directory_entries")),
            Sql(Who::Here, QStringLiteral("SELECT count(*) FROM directory_limits"),
                QStringLiteral("permission denied for table directory_limits")),
            Sql(Who::Here, QStringLiteral("SELECT count(*) FROM directory_removals"),
                QStringLiteral("permission denied for table directory_removals")),
            Sql(Who::Here, QStringLiteral("SELECT directory_check_limits(NULL)"),
                QStringLiteral("permission denied for function directory_check_limits")),
            Sql(Who::Here, QStringLiteral("CREATE TABLE mine (i int)"),
                QStringLiteral("permission denied for schema public")),
            // Input checks name the field; the largest allowed values pass.
            Add(Who::Here, QStringLiteral("10.0.1.1"), QStringLiteral("ok"), {{QStringLiteral("ServerName"), x64}}),
            Add(Who::Here, QStringLiteral("10.0.1.2"), QStringLiteral("INVALID ServerName"),
                {{QStringLiteral("ServerName"), x64 + QLatin1Char('x')}}),
            Add(Who::Here, QStringLiteral("10.0.1.2"), QStringLiteral("INVALID ServerName"),
                {{QStringLiteral("ServerName"), QStringLiteral("two\nlines")}}),
            Add(Who::Here, QStringLiteral("10.0.1.2"), QStringLiteral("INVALID Mods"),
                {{QStringLiteral("Mods"), QString(129, QLatin1Char('m'))}}),
            Add(Who::Here, QStringLiteral("10.0.1.2"), QStringLiteral("INVALID ServerKey"),
                {{QStringLiteral("ServerKey"), QStringLiteral("tab\there")}}),
            Add(Who::Here, QStringLiteral("10.0.1.2"), QStringLiteral("INVALID Gametype"),
                {{QStringLiteral("Gametype"), QStringLiteral("Doom")}}),
            Add(Who::Here, QStringLiteral("10.0.1.2"), QStringLiteral("INVALID Port"),
                {{QStringLiteral("Port"), QStringLiteral("0")}}),
            Add(Who::Here, QStringLiteral("10.0.1.2"), QStringLiteral("INVALID Port"),
                {{QStringLiteral("Port"), QStringLiteral("65536")}}),
            Add(Who::Here, QStringLiteral("10.0.1.2"), QStringLiteral("INVALID Port"),
                {{QStringLiteral("Port"), QStringLiteral("23a")}}),
            Add(Who::Here, QStringLiteral("256.1.1.1"), QStringLiteral("INVALID IPAddress")),
            Add(Who::Here, QStringLiteral("1.2.3"), QStringLiteral("INVALID IPAddress")),
            Add(Who::Here, QStringLiteral("bad_host.example"), QStringLiteral("INVALID IPAddress")),
            Add(Who::Here, longHost, QStringLiteral("INVALID IPAddress")),
            Add(Who::Here, QStringLiteral("game-1.example.org"), QStringLiteral("ok"),
                {{QStringLiteral("Port"), QStringLiteral("65535")}}),
            // At most 4 live entries per calling address; another address is not held back, and a
            // removal lifts the limit again.
            Add(Who::There, QStringLiteral("10.0.2.1"), QStringLiteral("ok")),
            Add(Who::There, QStringLiteral("10.0.2.2"), QStringLiteral("ok")),
            Add(Who::There, QStringLiteral("10.0.2.3"), QStringLiteral("ok")),
            Add(Who::There, QStringLiteral("10.0.2.4"), QStringLiteral("ok")),
            Add(Who::There, QStringLiteral("10.0.2.5"), QStringLiteral("LIMIT live_entries_per_address")),
            Add(Who::Here, QStringLiteral("10.0.2.5"), QStringLiteral("ok")),
            {Who::There,
             QStringLiteral("DeleteServerPWed"),
             {QStringLiteral("10.0.2.1"), QStringLiteral("key"), QStringLiteral("10.0.2.1")},
             QStringLiteral("ok")},
            Add(Who::There, QStringLiteral("10.0.2.6"), QStringLiteral("ok")),
            // Posts an hour: the administrator lowers the limit to 5 and switches the other off;
            // the limit lifts once the posts are more than an hour old.
            Sql(Who::Admin,
                QStringLiteral("UPDATE directory_limits SET value = CASE name WHEN 'posts_per_hour_per_address' "
                               "THEN 5 END RETURNING 'set'"),
                QStringLiteral("set")),
            Add(Who::There, QStringLiteral("10.0.2.7"), QStringLiteral("LIMIT posts_per_hour_per_address")),
            Sql(Who::Admin,
                QStringLiteral("UPDATE directory_posts SET posted_at = posted_at - interval '61 minutes' "
                               "RETURNING 'aged'"),
                QStringLiteral("aged")),
            Add(Who::There, QStringLiteral("10.0.2.7"), QStringLiteral("ok")),
            Sql(Who::Admin,
                QStringLiteral("UPDATE directory_limits SET value = CASE name WHEN 'posts_per_hour_per_address' "
                               "THEN 30 ELSE 4 END RETURNING 'set'"),
                QStringLiteral("set")),
            // Through a listed pooler nobody has an address: the poster's own removal is refused too.
            Sql(Who::Admin, QStringLiteral("INSERT INTO directory_poolers VALUES ('127.0.0.2') RETURNING 'pooler'"),
                QStringLiteral("pooler")),
            {Who::There, QStringLiteral("DeleteServer"), {QStringLiteral("10.0.2.2")}, notPermitted},
            Sql(Who::Admin, QStringLiteral("DELETE FROM directory_poolers RETURNING 'direct'"),
                QStringLiteral("direct")),
            // What was removed, from where and how; refused removals left no trace.
            Sql(Who::Admin,
                QStringLiteral("SELECT string_agg(ipaddress || ' from ' || host(calledfrom) || ' by ' || via, ', ' "
                               "ORDER BY removed_at) FROM directory_removals"),
                QStringLiteral("127.0.0.2 from 127.0.0.2 by DeleteServer, 10.0.0.1 from 127.0.0.1 by DeleteServer, "
                               "10.0.0.2 from 127.0.0.2 by DeleteServerPWed, 10.0.2.1 from 127.0.0.2 by "
                               "DeleteServerPWed")),
        };

        QStringList expected, outcomes;
        for (qsizetype i = 0; i < steps.size(); ++i) {
            const Step &step = steps[i];
            const QString connection = step.who == Who::Admin  ? testpg::ConnectionString()
                                       : step.who == Who::Here ? here
                                                               : there;
            const QString outcome = step.call == QStringLiteral("sql") ? testpg::Query(step.args[0], connection)
                                                                       : RunCall(step, connection, sandbox);
            const QString label = QStringLiteral("%1 %2 %3: ").arg(i).arg(step.call, step.args.value(0).left(40));
            expected.append(label + step.expect);
            outcomes.append(label + outcome);
        }
        QCOMPARE(outcomes, expected);
    }

    void upgradeHashesClearKeysAndKeepsEntries()
    {
        const QString database = QStringLiteral("skirmdeck_upgrade");
        QVERIFY2(testpg::Exec(QStringLiteral("DROP DATABASE IF EXISTS %1").arg(database)),
                 "the test PostgreSQL is not running");
        QVERIFY(testpg::Exec(QStringLiteral("CREATE DATABASE %1").arg(database)));
        QVERIFY(testpg::RunScript(database, qEnvironmentVariable("SKD_DIRECTORY_TEST_DATA") +
                                                QStringLiteral("/clear-key-directory.sql")));
        // Twice: the second run finds the upgraded directory and must leave it as it is.
        QVERIFY(testpg::RunScript(database, qEnvironmentVariable("SKD_DIRECTORY_SQL")));
        QVERIFY(testpg::RunScript(database, qEnvironmentVariable("SKD_DIRECTORY_SQL")));

        const QString admin = testpg::ConnectionString({}, testpg::kAdmin, database);
        QCOMPARE(testpg::Query(QStringLiteral("SELECT string_agg(ipaddress || ' ' || left(keyhash, 4) || ' ' || "
                                              "(keyhash = crypt(CASE ipaddress WHEN '10.3.0.1' THEN 'old key' "
                                              "ELSE 'k' || right(ipaddress, 1) END, keyhash)), ', ' ORDER BY "
                                              "ipaddress) FROM directory_entries"),
                               admin),
                 QStringLiteral("10.3.0.1 $2a$ true, 10.3.0.2 $2a$ true, 10.3.0.3 $2a$ true"));
        QCOMPARE(testpg::Query(QStringLiteral("SELECT count(*) FROM pg_attribute WHERE attrelid = "
                                              "'directory_entries'::regclass AND attname = 'serverkey'"),
                               admin),
                 QStringLiteral("0"));

        // The players' calls still work with the keys they posted with.
        DirectorySandbox sandbox;
        sandbox.setSetting(QStringLiteral("DirectoryConnection"),
                           testpg::ConnectionString({}, testpg::kPlayer, database));
        const auto listed = [] {
            QStringList names;
            for (const DbServerRow &row : ActiveServers(kRogueSpear))
                names.append(row.name);
            return names;
        };
        QCOMPARE(listed(), (QStringList{QStringLiteral("Clear one"), QStringLiteral("Clear two")}));
        UpdateServer(QStringLiteral("10.3.0.3"), QStringLiteral("k3"), QStringLiteral("10.3.0.3"));
        DeleteServerPWed(QStringLiteral("10.3.0.1"), QStringLiteral("old key"), QStringLiteral("10.3.0.1"));
        QCOMPARE(listed(), (QStringList{QStringLiteral("Lapsed"), QStringLiteral("Clear two")}));

        QVERIFY(testpg::Exec(QStringLiteral("DROP DATABASE %1 WITH (FORCE)").arg(database)));
    }
};

QTEST_GUILESS_MAIN(TestDirectoryRules)
#include "test_directory_rules.moc"
