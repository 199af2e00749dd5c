#include "core/settings/CRegUtil.h"
#include "core/settings/RegWriteScope.h"
#include "tests/support/ProgramState.h"
#include "tests/support/TestSupport.h"
#include "tests/support/WineWatch.h"

#include <QtTest>

// CRegUtil over a real hive file holding values in every shape a game or Wine leaves behind,
// and one command's writes under a RegWriteScope.
namespace {

const QByteArray kValues = "\n[Software\\\\Test] 1\n"
                           "\"Bin3\"=hex:01,02,03\n"
                           "\"Digit\"=\"5\"\n"
                           "\"Dword\"=dword:00000005\n"
                           "\"Embedded\"=\"abc\\0def\"\n"
                           "\"Empty\"=hex(1):\n"
                           "\"Expand\"=str(2):\"x\"\n"
                           "\"NoNul\"=hex(1):61,00,62,00,63,00\n"
                           "\"WithNul\"=\"abc\"\n"
                           "\n[Software\\\\Test\\\\beta] 1\n"
                           "\n[Software\\\\Test\\\\Alpha] 1\n";

const QString kKey = QString("SOFTWARE\\Test");

QString Get(CRegUtil &reg, const QString &name) { return reg.GetSettingString(HKEY_LOCAL_MACHINE, kKey, name); }

} // namespace

class TestRegUtil : public IsolatedTest {
    Q_OBJECT

private slots:
    // Only a REG_SZ is text: up to its first NUL, with or without one; anything else, or
    // nothing, gives the default (an empty text, never a null one, without a default).
    void reads()
    {
        TempHive hive(HiveHeader(false) + kValues);
        CRegUtil reg;
        const std::pair<const char *, const char *> reads[] = {
            {"Missing", "dflt"}, {"Empty", ""},     {"WithNul", "abc"}, {"NoNul", "abc"},
            {"Embedded", "abc"}, {"Dword", "dflt"}, {"Expand", "dflt"}, {"Bin3", "dflt"},
        };
        for (const auto &[name, expected] : reads)
            QCOMPARE(reg.GetSettingString(HKEY_LOCAL_MACHINE, kKey, name, "dflt"), QString(expected));
        QVERIFY(!Get(reg, "Missing").isNull());
        QCOMPARE(reg.GetSettingLong(HKEY_LOCAL_MACHINE, kKey, "Dword"), 5);
        QCOMPARE(reg.GetSettingLong(HKEY_LOCAL_MACHINE, kKey, "Digit", 9), 9);
        QCOMPARE(reg.GetSettingByte(HKEY_LOCAL_MACHINE, kKey, "Bin3"), QVariant(QByteArray("\1\2\3", 3)));
        QCOMPARE(reg.GetSettingByte(HKEY_LOCAL_MACHINE, kKey, "Dword", "not bytes"), QVariant(0));
        QCOMPARE(reg.GetAllKeys(HKEY_LOCAL_MACHINE, kKey), (QStringList{"Alpha", "beta"}));
        QCOMPARE(reg.GetAllKeys(HKEY_LOCAL_MACHINE, kKey + "\\Missing"), QStringList{});
        const auto table = reg.GetAllValues(HKEY_LOCAL_MACHINE, kKey);
        QCOMPARE(table[0].size(), 8);
        QCOMPARE(table[0][2].toString() + table[1][2].toString(), "Dword4");
    }

    // Strings go in as Windows keeps them (UTF-16 with the NUL), numbers as dwords.
    void writes()
    {
        TempHive hive;
        CRegUtil reg;
        reg.SaveSettingString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Red Storm Entertainment\\New\\Deep", "Flag", "True");
        reg.SaveSettingLong(HKEY_LOCAL_MACHINE, kKey, "Count", -2);
        reg.SaveSettingByte(HKEY_LOCAL_MACHINE, kKey, "Bytes", QByteArray("\xff\0\1", 3));
        for (const char *line : {"\n[SOFTWARE\\\\Red Storm Entertainment\\\\New\\\\Deep] ", "\n\"Flag\"=\"True\"\n",
                                 "\n\"Count\"=dword:fffffffe\n", "\n\"Bytes\"=hex:ff,00,01\n"})
            QVERIFY2(hive.read().contains(line), line);
        QCOMPARE(reg.GetSettingLong(HKEY_LOCAL_MACHINE, kKey, "Count"), -2);

        reg.CreateKey(HKEY_LOCAL_MACHINE, kKey + "\\Sub");
        reg.DeleteKey(HKEY_LOCAL_MACHINE, kKey); // has sub-keys: no effect
        QCOMPARE(reg.GetAllKeys(HKEY_LOCAL_MACHINE, kKey), QStringList{"Sub"});
        reg.DeleteValue(HKEY_LOCAL_MACHINE, kKey, "COUNT");
        QCOMPARE(reg.GetSettingLong(HKEY_LOCAL_MACHINE, kKey, "Count", 7), 7);
        reg.DeleteKey(HKEY_LOCAL_MACHINE, kKey + "\\Sub");
        QCOMPARE(reg.GetAllKeys(HKEY_LOCAL_MACHINE, kKey), QStringList{});
    }

    // A number, and an empty array, have no element 0 to write: the error ends the command
    // early, and what was written before it is kept, as without a scope.
    void errorsCarryTheOperationTag()
    {
        TempHive hive;
        CRegUtil reg;
        for (const QVariant &data : {QVariant(5), QVariant(QByteArray())}) {
            try {
                const RegWriteScope command(reg);
                reg.SaveSettingString(HKEY_LOCAL_MACHINE, kKey, "First", "1");
                reg.SaveSettingByte(HKEY_LOCAL_MACHINE, kKey, "Bytes", data);
                reg.SaveSettingString(HKEY_LOCAL_MACHINE, kKey, "Never", "x");
                QFAIL("no error raised");
            } catch (const RuntimeError &e) {
                QCOMPARE(e.number(), vberr::SubscriptOutOfRange);
                QCOMPARE(e.source(), QString("[CRegUtil.SaveSettingByte]"));
            }
        }
        CRegUtil other(hive.path());
        QCOMPARE(Get(other, "First") + Get(other, "Never"), QString("1"));
    }

    // Twenty values: the file is replaced once, at the end; reads inside the command already
    // see the new values; nested scopes write with the outermost; no change, no write.
    void oneReplacementPerCommand()
    {
        TempHive hive(HiveHeader(true));
        CRegUtil reg(hive.path());
        ReplacementCounter replaced(hive.path());
        {
            const RegWriteScope command(reg);
            for (int i = 0; i < 20; ++i) {
                const RegWriteScope inner(reg);
                reg.SaveSettingString(HKEY_LOCAL_MACHINE, kKey, QStringLiteral("Value%1").arg(i), QString::number(i));
            }
            QCOMPARE(Get(reg, "Value7"), QString("7"));
            QCOMPARE(replaced.count(), 0);
        }
        QCOMPARE(replaced.count(), 1);
        CRegUtil other(hive.path());
        for (int i = 0; i < 20; ++i)
            QCOMPARE(Get(other, QStringLiteral("Value%1").arg(i)), QString::number(i));
        {
            const RegWriteScope nothing(reg);
        }
        QCOMPARE(replaced.count(), 1);
        TempHive absent;
        CRegUtil none(absent.path());
        {
            const RegWriteScope nothing(none);
        }
        QVERIFY(!QFile::exists(absent.path()));
    }

    // Another program replaces the file during the command: both its change and the command's
    // values are in the file afterwards, and the reads in between see both.
    void otherWriterMeanwhile()
    {
        TempHive hive(HiveHeader(false));
        CRegUtil reg(hive.path());
        CRegUtil other(hive.path());
        {
            const RegWriteScope command(reg);
            reg.SaveSettingString(HKEY_LOCAL_MACHINE, kKey, "Mine", "a");
            reg.DeleteValue(HKEY_LOCAL_MACHINE, kKey, "Theirs");
            other.SaveSettingString(HKEY_LOCAL_MACHINE, kKey, "Theirs", "b");
            QCOMPARE(Get(reg, "Theirs") + Get(reg, "Mine"), QString("ba"));
            reg.SaveSettingString(HKEY_LOCAL_MACHINE, kKey, "Later", "c");
        }
        CRegUtil fresh(hive.path());
        QCOMPARE(Get(fresh, "Mine") + Get(fresh, "Theirs") + Get(fresh, "Later"), QString("abc"));
    }
};

QTEST_GUILESS_MAIN(TestRegUtil)
#include "test_reg_util.moc"
