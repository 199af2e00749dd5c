#include "tests/support/TestSupport.h"
#include "tests/support/HiveSamples.h"
#include "tests/support/ProgramState.h"

#include <QtTest>

// Runs the built skirmdeck-reg against a temporary hive.
namespace {

using Run = ProgramRun;

Run reg(const TempHive &hive, const QStringList &args)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("SKIRMDECK_REGISTRY", hive.path());
    return RunProgram(SKIRMDECK_REG_BIN, args, env);
}

const QString kKey = "HKLM\\SOFTWARE\\Red Storm Entertainment\\RAVENSHIELD";
const QString kShown = "\nHKEY_LOCAL_MACHINE\\SOFTWARE\\Red Storm Entertainment\\RAVENSHIELD";

} // namespace

class TestRegTool : public IsolatedTest {
    Q_OBJECT

private slots:
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
            const Run run = reg(hive, QStringList{"add", kKey} + args);
            QVERIFY2(run.status == 0, qPrintable(run.err));
        }
        QCOMPARE(reg(hive, {"add", kKey + "\\Sub", "/v", "x", "/d", ""}).status, 0);

        const Run all = reg(hive, {"query", "hkey_local_machine\\SOFTWARE\\Red Storm Entertainment\\RAVENSHIELD\\"});
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
        QCOMPARE(reg(hive, {"query", kKey, "/v", "port", "/reg:32"}).out, kShown + "\n    Port    REG_DWORD    0x2a\n");
        QCOMPARE(reg(hive, {"query", kKey, "/reg:64"}).status, 1);
        QCOMPARE(
            reg(hive, {"query", "HKLM\\Software\\Wow6432Node\\Red Storm Entertainment\\RAVENSHIELD\\Sub", "/reg:64"})
                .status,
            0);

        // The types the settings store never writes itself, stored as Wine writes them: UTF-16
        // strings with their NUL (strings and numbers are the store's own tests').
        const QByteArray text = hive.read();
        for (const char *line : {"\"Big\"=hex(b):00,00,00,00,01,00,00,00\n", "\"Mods\"=str(7):\"a\\0b\\0\"\n"})
            QVERIFY2(text.contains(line), line);

        QCOMPARE(reg(hive, {"delete", kKey, "/v", "BIG", "/f"}).status, 0);
        QCOMPARE(reg(hive, {"query", kKey, "/v", "Big"}).err, "reg: Unable to find the specified registry value\n");
        // The key goes with its sub-key; the sample's other game keeps its own.
        QCOMPARE(reg(hive, {"delete", kKey}).status, 0);
        QCOMPARE(reg(hive, {"query", "HKLM\\SOFTWARE\\Red Storm Entertainment"}).out,
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
        QCOMPARE(reg(hive, {"add", kKey, "/v", "Here", "/d", "1"}).status, 0);
        const QByteArray before = hive.read();
        const Run run = reg(hive, args);
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.contains(message), qPrintable(run.err));
        QCOMPARE(hive.read(), before);
    }
};

QTEST_GUILESS_MAIN(TestRegTool)
#include "test_reg_tool.moc"
