#include "core/runtime/RuntimeError.h"
#include "core/settings/CRegUtil.h"
#include "core/settings/RegWriteScope.h"
#include "tests/support/TestSupport.h"
#include "tests/support/WineWatch.h"

#include <QtTest>

// One command's writes under a RegWriteScope: one replacement of the file, per-value
// behaviour kept.
namespace {

const QString kKey = QStringLiteral("SOFTWARE\\Red Storm Entertainment\\Rogue Spear");

QString Get(CRegUtil &reg, const QString &name) { return reg.GetSettingString(HKEY_LOCAL_MACHINE, kKey, name); }

} // namespace

class TestWriteScope : public QObject {
    Q_OBJECT

private slots:
    // Twenty values: the file is replaced once, at the end; reads inside the command already
    // see the new values; nested scopes write with the outermost.
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
            QVERIFY(!hive.read().contains("Value7"));
        }
        QCOMPARE(replaced.count(), 1);
        CRegUtil other(hive.path());
        for (int i = 0; i < 20; ++i)
            QCOMPARE(Get(other, QStringLiteral("Value%1").arg(i)), QString::number(i));
        QVERIFY(
            hive.read().toLower().contains("\n[software\\\\wow6432node\\\\red storm entertainment\\\\rogue spear] "));

        // A command that changes nothing does not touch the file; a missing file stays missing.
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

    // An error ends the command early: what was written before it is kept, as without a scope.
    void errorKeepsEarlierValues()
    {
        TempHive hive;
        CRegUtil reg(hive.path());
        try {
            const RegWriteScope command(reg);
            reg.SaveSettingString(HKEY_LOCAL_MACHINE, kKey, "First", "1");
            reg.SaveSettingLong(HKEY_LOCAL_MACHINE, kKey, "Second", 2);
            reg.SaveSettingByte(HKEY_LOCAL_MACHINE, kKey, "Bad", QVariant(5));
            reg.SaveSettingString(HKEY_LOCAL_MACHINE, kKey, "Never", "x");
            QFAIL("no error");
        } catch (const RuntimeError &error) {
            QCOMPARE(error.number(), vberr::SubscriptOutOfRange);
            QCOMPARE(error.source(), QString("[CRegUtil.SaveSettingByte]"));
        }
        CRegUtil other(hive.path());
        QCOMPARE(Get(other, "First"), QString("1"));
        QCOMPARE(other.GetSettingLong(HKEY_LOCAL_MACHINE, kKey, "Second"), 2);
        QCOMPARE(Get(other, "Never"), QString());
        // The new file holds the directory password: its owner's only, as without a scope.
        QCOMPARE(QFile::permissions(hive.path()) & 0x0777, QFileDevice::ReadUser | QFileDevice::WriteUser);
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
            QCOMPARE(Get(reg, "Theirs"), QString("b"));
            QCOMPARE(Get(reg, "Mine"), QString("a"));
            reg.SaveSettingString(HKEY_LOCAL_MACHINE, kKey, "Later", "c");
        }
        CRegUtil fresh(hive.path());
        QCOMPARE(Get(fresh, "Mine"), QString("a"));
        QCOMPARE(Get(fresh, "Theirs"), QString("b"));
        QCOMPARE(Get(fresh, "Later"), QString("c"));
    }
};

QTEST_GUILESS_MAIN(TestWriteScope)
#include "test_write_scope.moc"
