#include "core/directory/PostedServer.h"
#include "core/state/AppState.h"
#include "tests/core/directory/DirectoryTestSupport.h"
#include "tests/support/ProgramState.h"
#include "tests/support/TestSupport.h"

#include <QtTest>

// skirmdeck-dir run as the built program on a test hive, against the embedded directory and
// an unreachable PostgreSQL.
namespace {

using Run = ProgramRun;

// The tool is built on the core libraries alone: a display cannot matter.
Run Dir(const QStringList &args) { return RunProgram(SKIRMDECK_DIR_BIN, args); }

const QString kRB6 = QStringLiteral("Rainbow Six");
const QString kOwn = QStringLiteral("198.51.100.20");
const QString kOther = QStringLiteral("198.51.100.21");

QStringList PostArgs(const QString &name, const QString &address, const QString &key, const QString &mods)
{
    return {"post", "--name", name, "--address",    address, "--port", "2346", "--mods",
            mods,   "--key",  key,  "--connection", "DSL",   "--game", kRB6};
}

// A failure: status 1 and one line on standard error that names the cause.
bool FailedWith(const Run &run, const QString &cause)
{
    return run.status == 1 && run.out.isEmpty() && run.err.startsWith("skirmdeck-dir: ") && run.err.count('\n') == 1 &&
           run.err.endsWith('\n') && run.err.contains(cause);
}

} // namespace

class TestDirTool : public IsolatedTest {
    Q_OBJECT

private slots:
    // On the embedded directory only: the directory's own rules are proven on both backends
    // by the core tests; here the tool's arguments, output and remembered settings.
    void postListAnnounceRemove()
    {
        DirectorySandbox sandbox;
        QCOMPARE(Dir(PostArgs("Bravo", kOther, "b", "")).status, 0);
        const Run posted = Dir(PostArgs("Caf\u00e9 One", kOwn, "k1", "a\\b"));
        QCOMPARE(posted.status, 0);
        QCOMPARE(posted.out, kPostedMessage + '\n');
        ReleaseRegUtil();
        QCOMPARE((QStringList{sandbox.setting("PostServerIP"), sandbox.setting("PostServerPassWord"),
                              sandbox.setting("PostServerSource"), sandbox.setting("PostServerPosted")}),
                 (QStringList{kOwn, "k1", kOwn, "True"}));
        // The address is taken: the directory's refusal on one line.
        QVERIFY(FailedWith(Dir(PostArgs("Thief", kOwn, "k2", "")), "ALREADYLISTED"));

        // Newest first, in each format.
        QCOMPARE(Dir({"list", kRB6}).out, QString("Caf\u00e9 One  198.51.100.20  2346  a\\b\n"
                                                  "Bravo     198.51.100.21  2346\n"));
        QCOMPARE(Dir({"list", kRB6, "--format", "tsv"}).out,
                 QString("Caf\u00e9 One\t198.51.100.20\t2346\ta\\\\b\nBravo\t198.51.100.21\t2346\t\n"));
        // One entry a line.
        QCOMPARE(
            Dir({"list", kRB6, "--format", "json"}).out,
            QString("[\n{\"IPAddress\":\"198.51.100.20\",\"Mods\":\"a\\\\b\",\"Port\":\"2346\",\"ServerName\":"
                    "\"Caf\u00e9 One\"},\n"
                    "{\"IPAddress\":\"198.51.100.21\",\"Mods\":\"\",\"Port\":\"2346\",\"ServerName\":\"Bravo\"}\n]\n"));
        QCOMPARE(Dir({"list", "Rogue Spear", "--format", "json"}).out, QString("[]\n"));

        const Run announced = Dir({"announce"});
        QCOMPARE(announced.status, 0);
        QCOMPARE(announced.out + announced.err, QString());
        const Run removed = Dir({"remove"});
        QCOMPARE(removed.status, 0);
        QCOMPARE(removed.out, kRemovedMessage + '\n');
        ReleaseRegUtil();
        QCOMPARE(sandbox.setting("PostServerPosted"), QString("False"));

        QVERIFY(FailedWith(Dir({"announce"}), "no posted server to announce"));
        QVERIFY(FailedWith(Dir({"remove"}), "no posted server to remove"));
        // Remembered as posted, but the entry is gone: nothing was refreshed.
        ReleaseRegUtil();
        sandbox.setSetting("PostServerPosted", "True");
        QVERIFY(FailedWith(Dir({"announce"}), "lists no server at '198.51.100.20'"));
    }

    void usageAndDirectoryErrors()
    {
        DirectorySandbox sandbox;
        const QList<std::pair<QStringList, QString>> usage = {
            {{}, "a command is needed"},
            {{"frob"}, "unknown command 'frob'"},
            {{"list"}, "one game is needed"},
            {{"list", "Doom"}, "unknown game 'Doom'"},
            {{"list", "Rogue Spear", "--format", "xml"}, "--format: text, tsv or json"},
            {{"post", "--name", "n", "--address", "a", "--port", "1"}, "Please enter a Password"},
            {{"post", "--name", "n", "--address", "a", "--port", "1", "--key", "k", "--connection", "9600"},
             "--connection: one of 28.8K, 56K, ISDN, Cable, DSL, T1, T3"},
            {{"announce", "now"}, "unexpected argument 'now'"},
        };
        for (const auto &[args, message] : usage) {
            const Run run = Dir(args);
            QCOMPARE(run.status, 2);
            QVERIFY2(run.err.startsWith("skirmdeck-dir: ") && run.err.contains(message), qPrintable(run.err));
        }
        const Run help = Dir({"--help"});
        QCOMPARE(help.status, 0);
        QVERIFY(help.out.contains("announce") && help.out.contains("--registry <file>"));
        QVERIFY(QRegularExpression("^skirmdeck-dir \\d+\\.\\d+\\.\\d+\n$").match(Dir({"--version"}).out).hasMatch());

        // A directory that cannot be reached: the driver's message and the number on one line.
        sandbox.setSetting("DirectoryConnection", testpg::ConnectionString(ClosedLoopbackPort()));
        const Run unreachable = Dir({"list", "Rogue Spear"});
        QVERIFY2(FailedWith(unreachable, "Connection refused") && unreachable.err.contains("(error -2147467259)"),
                 qPrintable(unreachable.err));
    }
};

QTEST_GUILESS_MAIN(TestDirTool)
#include "test_dir_tool.moc"
