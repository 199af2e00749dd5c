#include "core/settings/CRegUtil.h"
#include "core/settings/RegWriteScope.h"
#include "core/settings/WineHandoff.h"
#include "core/settings/WineServer.h"
#include "tests/support/ProgramState.h"
#include "tests/support/TestSupport.h"
#include "tests/support/WineWatch.h"

#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// CRegUtil over a real hive file holding values in every shape a game or Wine leaves behind,
// one command's writes under a RegWriteScope, and the hand-off to a running wineserver.
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
        QCOMPARE(Get(other, "Value0") + Get(other, "Value19"), "019");
        {
            const RegWriteScope nothing(reg);
        }
        QCOMPARE(replaced.count(), 1);

        // Another program replaces the file during the command: both its change and the
        // command's values are in the file afterwards, and the reads in between see both.
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
    // Finding a prefix's running wineserver by its lock, and what is handed to it, without
    // Wine: the test holds the server's lock in Debian's layout (a folder in the temporary
    // folder named by the prefix's "wineserver" file), and a stand-in "wine" keeps the import
    // file and fails.
    void lockedServerGetsTheChange()
    {
        QTemporaryDir tmp;
        const ScopedEnv tmpdir("TMPDIR", QFile::encodeName(tmp.path()));
        TempHive hive(HiveHeader(true));
        const QString prefix = hive.dir();
        QVERIFY(QDir(prefix).mkpath("dosdevices") && QDir(prefix).mkpath("drive_c/windows/temp"));
        QVERIFY(WriteTestFile(prefix + "/wineserver", "wine-skdtest"));
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(prefix).constData(), &st), 0);
        const QString serverDir = QStringLiteral("%1/wine-skdtest/server-%2-%3")
                                      .arg(tmp.path())
                                      .arg(qulonglong(st.st_dev), 0, 16)
                                      .arg(qulonglong(st.st_ino), 0, 16);
        QVERIFY(QDir().mkpath(serverDir));
        // A lock file nobody holds (a server that crashed) is no running server.
        QFile(serverDir + "/lock").open(QIODevice::WriteOnly);
        QVERIFY(!wineserver::IsRunning(prefix));
        const WineStarts wine(3);
        CRegUtil reg(hive.path());
        reg.SaveSettingString(HKEY_LOCAL_MACHINE, kKey, "Before", "1");
        QCOMPARE(wine.starts(), QStringList());

        // Taken through a file description of its own (an OFD lock), the lock looks to the
        // program's probe as another process's does.
        const int server = ::open(QFile::encodeName(serverDir + "/lock").constData(), O_RDWR | O_CLOEXEC);
        const auto release = qScopeGuard([server] { ::close(server); });
        struct flock lock {};
        lock.l_type = F_WRLCK;
        lock.l_len = 1;
        QVERIFY(server >= 0 && ::fcntl(server, F_OFD_SETLK, &lock) == 0);
        QVERIFY(wineserver::IsRunning(prefix));

        reg.SaveSettingString(HKEY_LOCAL_MACHINE, kKey, "Player\"Name", QStringLiteral("Caf\u00e9"));
        winehandoff::WaitForAll();
        const QRegularExpression importFile("skirmdeck-\\S+\\.reg");
        QCOMPARE(wine.starts().replaceInStrings(importFile, "FILE"), QStringList{"reg import FILE /reg:64"});
        // The whole change, exact type and bytes, at the file's own path; the file is gone after.
        QVERIFY(wine.lastImport().startsWith("\xff\xfe"));
        QCOMPARE(QString(QStringDecoder(QStringDecoder::Utf16LE)(wine.lastImport().mid(2))),
                 QStringLiteral("Windows Registry Editor Version 5.00\r\n\r\n"
                                "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Test]\r\n"
                                "\"Player\\\"Name\"=hex(1):43,00,61,00,66,00,e9,00,00,00\r\n"
                                "\r\n"));
        QVERIFY(QDir(prefix + "/drive_c/windows/temp").isEmpty());
        // The failure is kept for the About window; the file has the value all the same.
        QVERIFY2(winehandoff::LastFailure().contains("status 3: reg: import failed"),
                 qPrintable(winehandoff::LastFailure()));
        QCOMPARE(reg.GetSettingString(HKEY_LOCAL_MACHINE, kKey, "Player\"Name"), QStringLiteral("Caf\u00e9"));
    }
};

QTEST_GUILESS_MAIN(TestRegUtil)
#include "test_reg_util.moc"
