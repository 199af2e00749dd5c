#include "core/directory/PostedServer.h"
#include "core/state/AppState.h"
#include "tests/core/directory/DirectoryTestSupport.h"
#include "tests/support/HiveSamples.h"
#include "tests/support/ProgramState.h"
#include "tests/support/TestSupport.h"

#include <QtTest>

// The built programs run as processes: the command line of the program and of skirmdeck-reg
// (help and usage errors before any window, the settings file the program names),
// skirmdeck-reg's commands on a temporary hive, and skirmdeck-dir on a test hive against the
// embedded directory and an unreachable PostgreSQL.
namespace {

// Never a display: the Qt platform is named on the command line where a window must open, which also
// proves Qt's own options pass the program's own reading of the command line.
QProcessEnvironment Environment(const QString &home)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"SKIRMDECK_REGISTRY", "WINEPREFIX", "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(name);
    env.insert("HOME", home);
    env.insert("XDG_DATA_HOME", home + "/data");
    return env;
}

// The tools run in the test's environment, whose temporary hive is their settings file. They are
// built on the core libraries alone: a display cannot matter.
ProgramRun Reg(const QStringList &args) { return RunProgram(SKIRMDECK_REG_BIN, args); }
ProgramRun Dir(const QStringList &args) { return RunProgram(SKIRMDECK_DIR_BIN, args); }

const QString kKey = "HKLM\\SOFTWARE\\Red Storm Entertainment\\RAVENSHIELD";
const QString kShown = "\nHKEY_LOCAL_MACHINE\\SOFTWARE\\Red Storm Entertainment\\RAVENSHIELD";

// The status, then all that was written: a success shows its status and nothing on standard error.
QString Outcome(const ProgramRun &run) { return QString::number(run.status) + ' ' + run.out + run.err; }

const QString kRB6 = QStringLiteral("Rainbow Six");
const QString kOwn = QStringLiteral("198.51.100.20");
const QString kOther = QStringLiteral("198.51.100.21");

QStringList PostArgs(const QString &name, const QString &address, const QString &key, const QString &mods)
{
    return {"post", "--name", name, "--address",    address, "--port", "2346", "--mods",
            mods,   "--key",  key,  "--connection", "DSL",   "--game", kRB6};
}

// A failure: status 1 and one line on standard error that names the cause.
bool FailedWith(const ProgramRun &run, const QString &cause)
{
    return run.status == 1 && run.out.isEmpty() && run.err.startsWith("skirmdeck-dir: ") && run.err.count('\n') == 1 &&
           run.err.endsWith('\n') && run.err.contains(cause);
}

} // namespace

class TestTools : public IsolatedTest {
    Q_OBJECT

    QTemporaryDir m_home;

private slots:
    // Help and a refused command line are told before anything needs a display (the version
    // line, made by the same code, is read with skirmdeck-dir's usage).
    void withoutDisplay_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("output"); // patterns for the whole of standard output and error
        QTest::addColumn<QString>("errors");
        const QString nowhere = m_home.filePath("nowhere");
        for (const QString &program :
             {QString(SKIRMDECK_BIN), QString(SKIRMDECK_REG_BIN), QString(SKIRMDECK_DIR_BIN)}) {
            const QString name = QFileInfo(program).fileName();
            const QString usage = "Usage: " + QRegularExpression::escape(program) + " \\[options\\][^\\n]*\n";
            const auto row = [&](const char *what) -> QTestData & {
                return QTest::addRow("%s %s", qPrintable(name), what);
            };
            // One usage line (reg's commands have a heading of their own); Qt's options only with --help-all.
            row("--help") << program << QStringList{"--help"} << 0
                          << "^" + usage +
                                 "(?!.*Usage)(?=.*--registry <file>)(?=.*--prefix <folder>)(?!.*--platform).*$"
                          << "^$";
            const QString tryHelp = "\nTry '" + name + " --help' for more information.\n$";
            row("unknown") << program << QStringList{"--bogus"} << 2 << "^$"
                           << "^" + name + ": Unknown option 'bogus'\\." + tryHelp;
        }
        // Each refused option's message is the parser's, proven without a process; here that it
        // reaches standard error with status 2 after Qt's own options.
        QTest::newRow("skirmdeck: Qt's options, then a missing file")
            << QString(SKIRMDECK_BIN) << QStringList{"-platform", "xcb", "-style=fusion", "--registry", nowhere} << 2
            << "^$"
            << "^skirmdeck: --registry: no such file: " + QRegularExpression::escape(nowhere) + "\n";
    }

    void withoutDisplay()
    {
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, output);
        QFETCH(QString, errors);
        const ProgramRun run = RunProgram(program, arguments, Environment(m_home.path()));
        QCOMPARE(run.status, status);
        const auto matches = [](const QString &pattern, const QString &text) {
            return QRegularExpression(pattern, QRegularExpression::DotMatchesEverythingOption).match(text).hasMatch();
        };
        QVERIFY2(matches(output, run.out), qPrintable(run.out));
        QVERIFY2(matches(errors, run.err), qPrintable(run.err));
    }

    // The settings file is chosen by the rules of the settings test; the program names the
    // one it uses, and the rule, on standard error.
    void homePrefixIsNamedOnStandardError()
    {
        const QString hive = m_home.filePath(".wine/system.reg");
        QVERIFY(QDir(m_home.path()).mkpath(".wine") && WriteTestFile(hive, HiveHeader(false)));
        QProcess program;
        program.setProcessEnvironment(Environment(m_home.path()));
        program.start(SKIRMDECK_BIN, {"-platform", "offscreen"});
        QVERIFY(program.waitForStarted());
        QString err;
        const QString expected = "skirmdeck: settings file " + hive + " (from ~/.wine)\n";
        QTRY_VERIFY_WITH_TIMEOUT((err += QString::fromLocal8Bit(program.readAllStandardError())).contains(expected),
                                 60000);
        program.kill();
        program.waitForFinished();
    }

    // On a win64 prefix's file, where the games' keys lie in the 32-bit view.
    void addQueryDelete()
    {
        TempHive hive(kWineSystemReg);
        const QList<QStringList> adds = {
            {"/v", "PlayerName", "/d", "Caf\u00e9 \"Ding\""},     {"/v", "Port", "/t", "REG_DWORD", "/d", "0x2a"},
            {"/v", "Big", "/t", "REG_QWORD", "/d", "4294967296"}, {"/v", "Bytes", "/t", "reg_binary", "/d", "0a0BfF"},
            {"/v", "Mods", "/t", "REG_MULTI_SZ", "/d", "a\\0b"},  {"/ve", "/d", "dflt"},
        };
        for (const QStringList &args : adds) {
            const ProgramRun run = Reg(QStringList{"add", kKey} + args);
            QVERIFY2(run.status == 0, qPrintable(run.err));
        }
        QCOMPARE(Reg({"add", kKey + "\\Sub", "/v", "x", "/d", ""}).status, 0);

        const ProgramRun all = Reg({"query", "hkey_local_machine\\SOFTWARE\\Red Storm Entertainment\\RAVENSHIELD\\"});
        QCOMPARE(all.status, 0);
        QCOMPARE(all.out, kShown +
                              "\n"
                              "    (Default)    REG_SZ    dflt\n"
                              "    Big    REG_QWORD    0x100000000\n"
                              "    Bytes    REG_BINARY    0A0BFF\n"
                              "    Mods    REG_MULTI_SZ    a\\0b\n"
                              "    PlayerName    REG_SZ    Caf\u00e9 \"Ding\"\n"
                              "    Port    REG_DWORD    0x2a\n" +
                              kShown + "\\Sub\n");
        QCOMPARE(Reg({"query", kKey, "/v", "port", "/reg:32"}).out, kShown + "\n    Port    REG_DWORD    0x2a\n");
        QCOMPARE(Reg({"query", kKey, "/reg:64"}).status, 1);

        // The types the settings store never writes itself, stored as Wine writes them: UTF-16
        // strings with their NUL (strings and numbers are the store's own tests').
        const QByteArray text = hive.read();
        for (const char *line : {"\"Big\"=hex(b):00,00,00,00,01,00,00,00\n", "\"Mods\"=str(7):\"a\\0b\\0\"\n"})
            QVERIFY2(text.contains(line), line);

        QCOMPARE(Reg({"delete", kKey, "/v", "BIG", "/f"}).status, 0);
        QCOMPARE(Reg({"query", kKey, "/v", "Big"}).err, "reg: Unable to find the specified registry value\n");
        // The key goes with its sub-key; the sample's other game keeps its own.
        QCOMPARE(Reg({"delete", kKey}).status, 0);
        QCOMPARE(Reg({"query", "HKLM\\SOFTWARE\\Red Storm Entertainment"}).out,
                 "\nHKEY_LOCAL_MACHINE\\SOFTWARE\\Red Storm Entertainment\n"
                 "\nHKEY_LOCAL_MACHINE\\SOFTWARE\\Red Storm Entertainment\\RogueSpear\n");
    }

    void failures_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("no command") << QStringList{} << "Invalid syntax";
        QTest::newRow("other root") << QStringList{"query", "HKCU\\Software"} << "Invalid key name";
        QTest::newRow("bad type") << QStringList{"add", kKey, "/v", "x", "/t", "REG_TEXT", "/d", "1"}
                                  << "Unsupported registry data type";
        QTest::newRow("dword too big") << QStringList{"add", kKey, "/v", "x", "/t", "REG_DWORD", "/d", "0x100000000"}
                                       << "Invalid number";
        QTest::newRow("bad binary") << QStringList{"add", kKey, "/v", "x", "/t", "REG_BINARY", "/d", "0g"}
                                    << "Invalid binary data";
        QTest::newRow("delete missing key")
            << QStringList{"delete", kKey + "\\Nope", "/f"} << "reg: Unable to find the specified registry key";
    }
    void failures()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        TempHive hive;
        QCOMPARE(Reg({"add", kKey, "/v", "Here", "/d", "1"}).status, 0);
        const QByteArray before = hive.read();
        const ProgramRun run = Reg(args);
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.contains(message), qPrintable(run.err));
        QCOMPARE(hive.read(), before);
    }

    // On the embedded directory only: the directory's own rules are proven on both backends
    // by the core tests; here the tool's arguments and output. Announce and remove find the
    // server post remembered (which settings hold it is the post window's test's).
    void postListAnnounceRemove()
    {
        DirectorySandbox sandbox;
        QCOMPARE(Dir(PostArgs("Bravo", kOther, "b", "")).status, 0);
        QCOMPARE(Outcome(Dir(PostArgs("Caf\u00e9 One", kOwn, "k1", "a\\b"))), "0 " + kPostedMessage + '\n');
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

        QCOMPARE(Outcome(Dir({"announce"})), "0 ");
        QCOMPARE(Outcome(Dir({"remove"})), "0 " + kRemovedMessage + '\n');
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
            const ProgramRun run = Dir(args);
            QCOMPARE(run.status, 2);
            QVERIFY2(run.err.startsWith("skirmdeck-dir: ") && run.err.contains(message), qPrintable(run.err));
        }
        QVERIFY(QRegularExpression("^skirmdeck-dir \\d+\\.\\d+\\.\\d+\n$").match(Dir({"--version"}).out).hasMatch());

        // A directory that cannot be reached: the driver's message and the number on one line.
        sandbox.setSetting("DirectoryConnection", testpg::ConnectionString(ClosedLoopbackPort()));
        const ProgramRun unreachable = Dir({"list", "Rogue Spear"});
        QVERIFY2(FailedWith(unreachable, "Connection refused") && unreachable.err.contains("(error -2147467259)"),
                 qPrintable(unreachable.err));
    }
};

QTEST_GUILESS_MAIN(TestTools)
#include "test_tools.moc"
