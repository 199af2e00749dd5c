#include "tests/common/TestSupport.h"
#include "tests/settings/HiveSamples.h"

#include <QtTest>

// Runs the built skirmdeck-reg against a temporary hive.
namespace {

struct Run {
    int status = -1;
    QString out;
    QString err;
};

Run reg(const TempHive &hive, const QStringList &args)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("SKIRMDECK_REGISTRY", hive.path());
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(SKIRMDECK_REG_BIN), args);
    Run run;
    if (process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit)
        run.status = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

const QString kKey = QStringLiteral("HKLM\\SOFTWARE\\Red Storm Entertainment\\RAVENSHIELD");

} // namespace

class TestRegTool : public QObject {
    Q_OBJECT

private slots:
    void addThenQuery()
    {
        TempHive hive;
        const QList<QStringList> adds = {
            {"/v", "PlayerName", "/d", "Caf\u00e9 \"Ding\""},
            {"/v", "Port", "/t", "REG_DWORD", "/d", "0x2a"},
            {"/v", "Count", "/t", "reg_dword", "/d", "7", "/f"},
            {"/v", "Big", "/t", "REG_QWORD", "/d", "4294967296"},
            {"/v", "Bytes", "/t", "REG_BINARY", "/d", "0a0BfF"},
            {"/v", "Mods", "/t", "REG_MULTI_SZ", "/d", "a\\0b"},
            {"/v", "Dir", "/t", "REG_EXPAND_SZ", "/d", "%ProgramFiles%\\RS"},
            {"/ve", "/d", "dflt"},
        };
        for (const QStringList &args : adds) {
            const Run run = reg(hive, QStringList{"add", kKey} + args);
            QVERIFY2(run.status == 0, qPrintable(run.err));
        }
        QVERIFY(reg(hive, {"add", kKey + "\\Sub", "/v", "x", "/d", ""}).status == 0);

        const Run all = reg(hive, {"query", "hkey_local_machine\\SOFTWARE\\Red Storm Entertainment\\RAVENSHIELD\\"});
        QCOMPARE(all.status, 0);
        QCOMPARE(all.out, QStringLiteral("\nHKEY_LOCAL_MACHINE\\SOFTWARE\\Red Storm Entertainment\\RAVENSHIELD\n"
                                         "    (Default)    REG_SZ    dflt\n"
                                         "    Big    REG_QWORD    0x100000000\n"
                                         "    Bytes    REG_BINARY    0A0BFF\n"
                                         "    Count    REG_DWORD    0x7\n"
                                         "    Dir    REG_EXPAND_SZ    %ProgramFiles%\\RS\n"
                                         "    Mods    REG_MULTI_SZ    a\\0b\n"
                                         "    PlayerName    REG_SZ    Caf\u00e9 \"Ding\"\n"
                                         "    Port    REG_DWORD    0x2a\n"
                                         "\nHKEY_LOCAL_MACHINE\\SOFTWARE\\Red Storm Entertainment\\RAVENSHIELD\\Sub\n"));
        QCOMPARE(reg(hive, {"query", kKey, "/v", "port"}).out,
                 QStringLiteral("\nHKEY_LOCAL_MACHINE\\SOFTWARE\\Red Storm Entertainment\\RAVENSHIELD\n"
                                "    Port    REG_DWORD    0x2a\n"));
        QCOMPARE(reg(hive, {"query", kKey, "/ve"}).out,
                 QStringLiteral("\nHKEY_LOCAL_MACHINE\\SOFTWARE\\Red Storm Entertainment\\RAVENSHIELD\n"
                                "    (Default)    REG_SZ    dflt\n"));
        const Run deep = reg(hive, {"query", "HKLM\\SOFTWARE", "/s", "/v", "x"});
        QCOMPARE(deep.out, QStringLiteral("\nHKEY_LOCAL_MACHINE\\SOFTWARE\\Red Storm Entertainment\\RAVENSHIELD\\Sub\n"
                                          "    x    REG_SZ    \n"));

        // Stored as Windows stores them: UTF-16 strings with their NUL, as Wine writes them.
        const QByteArray text = hive.read();
        for (const char *line : {"\"PlayerName\"=\"Caf\\xe9 \\\"Ding\\\"\"\n", "\"Port\"=dword:0000002a\n",
                                 "\"Big\"=hex(b):00,00,00,00,01,00,00,00\n", "\"Bytes\"=hex:0a,0b,ff\n",
                                 "\"Mods\"=str(7):\"a\\0b\\0\"\n", "\"Dir\"=str(2):\"%ProgramFiles%\\\\RS\"\n",
                                 "@=\"dflt\"\n"})
            QVERIFY2(text.contains(line), line);
    }

    void deletes()
    {
        TempHive hive;
        for (const char *name : {"a", "b", "c"})
            QCOMPARE(reg(hive, {"add", kKey + "\\Sub", "/v", name, "/d", "1"}).status, 0);
        QCOMPARE(reg(hive, {"delete", kKey + "\\Sub", "/v", "B", "/f"}).status, 0);
        QCOMPARE(reg(hive, {"query", kKey + "\\Sub", "/v", "b"}).status, 1);
        QCOMPARE(reg(hive, {"delete", kKey + "\\Sub", "/va"}).status, 0);
        QCOMPARE(reg(hive, {"query", kKey + "\\Sub"}).out,
                 QStringLiteral("\nHKEY_LOCAL_MACHINE\\SOFTWARE\\Red Storm Entertainment\\RAVENSHIELD\\Sub\n"));
        QCOMPARE(reg(hive, {"delete", kKey}).status, 0);
        QCOMPARE(reg(hive, {"query", "HKLM\\SOFTWARE\\Red Storm Entertainment"}).out,
                 QStringLiteral("\nHKEY_LOCAL_MACHINE\\SOFTWARE\\Red Storm Entertainment\n"));
    }

    void views()
    {
        TempHive hive(kWineSystemReg);
        QCOMPARE(reg(hive, {"add", kKey, "/v", "p", "/d", "1"}).status, 0);
        QVERIFY(hive.read().contains("[Software\\\\Wow6432Node\\\\Red Storm Entertainment\\\\RAVENSHIELD] "));
        QCOMPARE(reg(hive, {"query", kKey, "/v", "p", "/reg:32"}).status, 0);
        QCOMPARE(reg(hive, {"query", kKey, "/reg:64"}).status, 1);
        QCOMPARE(reg(hive, {"query", "HKLM\\Software\\Wow6432Node\\Red Storm Entertainment\\RAVENSHIELD", "/reg:64"}).status, 0);
        const Run native = reg(hive, {"query", "HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion", "/v",
                                      "CurrentMajorVersionNumber", "/reg:64"});
        QCOMPARE(native.out.section('\n', 2, 2), QStringLiteral("    CurrentMajorVersionNumber    REG_DWORD    0xa"));
    }

    void failures_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("no command") << QStringList{} << "Invalid syntax";
        QTest::newRow("unknown command") << QStringList{"copy", kKey} << "Invalid command";
        QTest::newRow("other root") << QStringList{"query", "HKCU\\Software"} << "Invalid key name";
        QTest::newRow("bad type") << QStringList{"add", kKey, "/v", "x", "/t", "REG_TEXT", "/d", "1"}
                                  << "Unsupported registry data type";
        QTest::newRow("negative dword") << QStringList{"add", kKey, "/v", "x", "/t", "REG_DWORD", "/d", "-1"}
                                        << "Invalid number";
        QTest::newRow("dword too big") << QStringList{"add", kKey, "/v", "x", "/t", "REG_DWORD", "/d", "0x100000000"}
                                       << "Invalid number";
        QTest::newRow("dword not a number") << QStringList{"add", kKey, "/v", "x", "/t", "REG_DWORD", "/d", "12ab"}
                                            << "Invalid number";
        QTest::newRow("bad binary") << QStringList{"add", kKey, "/v", "x", "/t", "REG_BINARY", "/d", "0g"}
                                    << "Invalid binary data";
        QTest::newRow("missing key") << QStringList{"query", kKey + "\\Nope"}
                                     << "reg: Unable to find the specified registry key";
        QTest::newRow("missing value") << QStringList{"query", kKey, "/v", "Nope"}
                                       << "reg: Unable to find the specified registry value";
        QTest::newRow("delete missing value") << QStringList{"delete", kKey, "/v", "Nope", "/f"}
                                              << "reg: Unable to find the specified registry value";
        QTest::newRow("delete missing key") << QStringList{"delete", kKey + "\\Nope", "/f"}
                                            << "reg: Unable to find the specified registry key";
        QTest::newRow("both /v and /ve") << QStringList{"add", kKey, "/v", "x", "/ve"} << "Invalid syntax";
        QTest::newRow("unknown option") << QStringList{"query", kKey, "/x"} << "unknown option";
        QTest::newRow("/v without name") << QStringList{"query", kKey, "/v"} << "needs an argument";
    }
    void failures()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        TempHive hive;
        QCOMPARE(reg(hive, {"add", kKey, "/v", "Here", "/d", "1"}).status, 0);
        const QByteArray before = hive.read();
        const Run run = reg(hive, args);
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.contains(message), qPrintable(run.err));
        QCOMPARE(hive.read(), before);
    }

    void corruptFileIsNotWritten()
    {
        const QByteArray text = HiveHeader(false) + "\n[SOFTWARE] 1\n\"v\"=bogus\n";
        TempHive hive(text);
        const Run run = reg(hive, {"add", kKey, "/v", "x", "/d", "1", "/f"});
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.contains("line 7"), qPrintable(run.err));
        QCOMPARE(hive.read(), text);
    }
};

QTEST_GUILESS_MAIN(TestRegTool)
#include "test_reg_tool.moc"
