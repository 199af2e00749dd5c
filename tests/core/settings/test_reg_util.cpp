#include "core/settings/CRegUtil.h"
#include "tests/support/TestSupport.h"
#include "tests/support/ProgramState.h"

#include <QtTest>

// CRegUtil over a real hive file holding values in every shape a game or Wine leaves behind.
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

} // namespace

class TestRegUtil : public IsolatedTest {
    Q_OBJECT

private slots:
    // Only a REG_SZ is text: up to its first NUL, with or without one; anything else, or
    // nothing, gives the default (an empty text, never a null one, without a default).
    void readsStrings()
    {
        TempHive hive(HiveHeader(false) + kValues);
        CRegUtil reg;
        const std::pair<const char *, const char *> reads[] = {
            {"Missing", "dflt"}, {"Empty", ""},     {"WithNul", "abc"}, {"NoNul", "abc"},
            {"Embedded", "abc"}, {"Dword", "dflt"}, {"Expand", "dflt"}, {"Bin3", "dflt"},
        };
        for (const auto &[name, expected] : reads)
            QCOMPARE(reg.GetSettingString(HKEY_LOCAL_MACHINE, kKey, name, "dflt"), QString(expected));
        const QString noDefault = reg.GetSettingString(HKEY_LOCAL_MACHINE, kKey, "Missing");
        QVERIFY(noDefault.isEmpty() && !noDefault.isNull());
    }

    void readsNumbersAndBytes()
    {
        TempHive hive(HiveHeader(false) + kValues);
        CRegUtil reg;
        QCOMPARE(reg.GetSettingLong(HKEY_LOCAL_MACHINE, kKey, "Dword"), 5);
        QCOMPARE(reg.GetSettingLong(HKEY_LOCAL_MACHINE, kKey, "Digit", 9), 9);
        QCOMPARE(reg.GetSettingLong(HKEY_LOCAL_MACHINE, kKey, "Missing"), 0);
        const QVariant bytes = reg.GetSettingByte(HKEY_LOCAL_MACHINE, kKey, "Bin3");
        QCOMPARE(bytes.typeId(), int(QMetaType::QByteArray));
        QCOMPARE(bytes.toByteArray(), QByteArray("\1\2\3", 3));
        QCOMPARE(reg.GetSettingByte(HKEY_LOCAL_MACHINE, kKey, "Dword", "not bytes"), QVariant(0));
        QCOMPARE(reg.GetSettingByte(HKEY_LOCAL_MACHINE, kKey, "Missing", QByteArray("d")), QVariant(QByteArray("d")));
    }

    void enumerates()
    {
        TempHive hive(HiveHeader(false) + kValues);
        CRegUtil reg;
        QCOMPARE(reg.GetAllKeys(HKEY_LOCAL_MACHINE, kKey), (QStringList{"Alpha", "beta"}));
        QCOMPARE(reg.GetAllKeys(HKEY_LOCAL_MACHINE, kKey + "\\Alpha"), QStringList{});
        QCOMPARE(reg.GetAllKeys(HKEY_LOCAL_MACHINE, kKey + "\\Missing"), QStringList{});
        const auto table = reg.GetAllValues(HKEY_LOCAL_MACHINE, kKey);
        QCOMPARE(table[0].size(), 8);
        QCOMPARE(table[0][2].toString() + table[1][2].toString(), "Dword4");
    }

    // Strings go in as Windows keeps them (UTF-16 with the NUL); any text survives.
    void writes()
    {
        TempHive hive;
        CRegUtil reg;
        reg.SaveSettingString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Red Storm Entertainment\\New\\Deep", "Flag", "True");
        // Wine's form for a REG_SZ with its NUL; anything else would be written as hex.
        QVERIFY(hive.read().contains("\n[SOFTWARE\\\\Red Storm Entertainment\\\\New\\\\Deep] ") &&
                hive.read().contains("\n\"Flag\"=\"True\"\n"));
        reg.SaveSettingString(HKEY_LOCAL_MACHINE, kKey, "Name", "");
        QCOMPARE(reg.GetSettingString(HKEY_LOCAL_MACHINE, kKey, "Name", "dflt"), QString(""));

        reg.SaveSettingLong(HKEY_LOCAL_MACHINE, kKey, "Count", -2);
        QCOMPARE(reg.GetSettingLong(HKEY_LOCAL_MACHINE, kKey, "Count"), -2);
        reg.SaveSettingByte(HKEY_LOCAL_MACHINE, kKey, "Bytes", QByteArray("\xff\0\1", 3));
        QVERIFY(hive.read().contains("\n\"Count\"=dword:fffffffe\n") &&
                hive.read().contains("\n\"Bytes\"=hex:ff,00,01\n"));

        reg.CreateKey(HKEY_LOCAL_MACHINE, kKey + "\\Sub");
        reg.DeleteKey(HKEY_LOCAL_MACHINE, kKey); // has sub-keys: no effect
        QCOMPARE(reg.GetAllKeys(HKEY_LOCAL_MACHINE, kKey), QStringList{"Sub"});
        reg.DeleteValue(HKEY_LOCAL_MACHINE, kKey, "COUNT");
        QCOMPARE(reg.GetSettingLong(HKEY_LOCAL_MACHINE, kKey, "Count", 7), 7);
        reg.DeleteKey(HKEY_LOCAL_MACHINE, kKey + "\\Sub");
        QCOMPARE(reg.GetAllKeys(HKEY_LOCAL_MACHINE, kKey), QStringList{});
    }

    void errorsCarryTheOperationTag()
    {
        TempHive hive;
        CRegUtil reg;
        // A number, and an empty array, have no element 0 to write.
        for (const QVariant &data : {QVariant(5), QVariant(QByteArray())}) {
            try {
                reg.SaveSettingByte(HKEY_LOCAL_MACHINE, kKey, "Bytes", data);
                QFAIL("no error raised");
            } catch (const RuntimeError &e) {
                QCOMPARE(e.number(), vberr::SubscriptOutOfRange);
                QCOMPARE(e.source(), QString("[CRegUtil.SaveSettingByte]"));
            }
        }
        QVERIFY(!QFile::exists(hive.path()));
    }
};

QTEST_GUILESS_MAIN(TestRegUtil)
#include "test_reg_util.moc"
