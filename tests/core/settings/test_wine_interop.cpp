#include "core/settings/CRegUtil.h"
#include "core/settings/HiveFile.h"
#include "tests/support/ProgramState.h"
#include "tests/support/TestSupport.h"

#include "tests/support/WineWatch.h"

#include <QStringDecoder>
#include <QtTest>

// The store against real Wine: Wine's own files round-trip, Wine loads what the store wrote
// (in the 32-bit view of a win64 prefix, under Wow6432Node; plainly in a win32 one), and the
// store reads what Wine wrote. The prefix is whatever the installed Wine makes: win64 with
// the 64-bit loader (package wine64), win32 with the 32-bit one alone, where the win64 half
// is reported as skipped. Skipped when Wine is not installed.
namespace {

const QString kGameKey = QStringLiteral("SOFTWARE\\Red Storm Entertainment\\RogueSpear");

} // namespace

class TestWineInterop : public IsolatedTest {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_prefix;
    bool m_win64 = false;

    // Runs a Wine program and waits for its server to end: Wine saves its registry then.
    QByteArray wine(const QStringList &args, int *status = nullptr)
    {
        const QByteArray out = RunWine(m_prefix, "wine", args, status);
        RunWine(m_prefix, "wineserver", {"-w"});
        return out;
    }
    QByteArray reg(const QStringList &args, int *status = nullptr) { return wine(QStringList{"reg"} + args, status); }

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable("wine").isEmpty() || QStandardPaths::findExecutable("wineserver").isEmpty())
            QSKIP("Wine is not installed");
        m_prefix = m_dir.filePath("prefix");
        int status = -1;
        wine({"wineboot", "-i"}, &status);
        QCOMPARE(status, 0);
        QVERIFY(QFile::exists(m_prefix + "/system.reg"));
        const QString arch = PrefixArch(m_prefix);
        QVERIFY2(arch == "win32" || arch == "win64", qPrintable("#arch=" + arch));
        m_win64 = arch == "win64";
        qInfo("Wine made a %s prefix", qPrintable(arch));
    }

    // Files Wine wrote come back byte for byte.
    void wineFilesRoundTrip()
    {
        for (const char *name : {"system.reg", "user.reg", "userdef.reg"}) {
            const QByteArray text = ReadTestFile(m_prefix + "/" + name);
            hive::ParseError error;
            const auto file = hive::HiveFile::parse(text, &error);
            QVERIFY2(file, qPrintable(QStringLiteral("%1 line %2").arg(name).arg(error.line)));
            QVERIFY2(file->serialize() == text, name);
        }
    }

    void wineReadsWhatTheStoreWrote()
    {
        const QString hivePath = m_prefix + "/system.reg";
        const QString text = QStringLiteral("Caf\u00e9 \u20ac \"q\" \\ \u4e2d");
        const QByteArray bytes = QByteArray::fromHex("00ff7f80") + QByteArray(96, '\x5a');
        {
            CRegUtil util(hivePath);
            util.SaveSettingString(HKEY_LOCAL_MACHINE, kGameKey, "PlayerName", text);
            util.SaveSettingLong(HKEY_LOCAL_MACHINE, kGameKey, "Port", 42);
            util.SaveSettingByte(HKEY_LOCAL_MACHINE, kGameKey, "Bytes", bytes);
            util.SaveSettingString(HKEY_LOCAL_MACHINE, kGameKey, "", "dflt");
        }
        // A win64 prefix keeps the 32-bit games' keys under Wow6432Node, a win32 one plainly.
        const QByteArray written = ReadTestFile(hivePath);
        const QByteArray wow = "\n[Software\\\\Wow6432Node\\\\Red Storm Entertainment\\\\RogueSpear] ";
        const QByteArray plain = "\n[Software\\\\Red Storm Entertainment\\\\RogueSpear] ";
        QCOMPARE(written.contains(wow), m_win64);
        QCOMPARE(written.contains(plain), !m_win64);

        int status = -1;
        const QString key = "HKLM\\" + kGameKey;
        QVERIFY(reg({"query", key, "/v", "Port", "/reg:32"}, &status).contains("REG_DWORD    0x2a"));
        QCOMPARE(status, 0);
        QVERIFY(reg({"query", key, "/v", "Bytes", "/reg:32"}).contains(bytes.toHex().toUpper()));

        const QString exported = m_dir.filePath("export.reg");
        reg({"export", key, QString("Z:" + exported).replace('/', '\\'), "/reg:32", "/y"}, &status);
        QCOMPARE(status, 0);
        const QString exportText = QStringDecoder(QStringDecoder::Utf16)(ReadTestFile(exported));
        QVERIFY2(exportText.contains("\"PlayerName\"=\"Caf\u00e9 \u20ac \\\"q\\\" \\\\ \u4e2d\""),
                 qPrintable(exportText));
        QVERIFY(exportText.contains("@=\"dflt\""));
        if (!m_win64)
            QSKIP("this Wine has no 64-bit loader (wine64) and made a win32 prefix: the Wow6432Node "
                  "placement of a win64 prefix was not checked");
    }

    void storeReadsWhatWineWrote()
    {
        const QString key = "HKLM\\" + kGameKey;
        for (const QStringList &value :
             {QStringList{"FromWine", "REG_SZ", "wine text"}, QStringList{"Count", "REG_DWORD", "7"},
              QStringList{"Blob", "REG_BINARY", "0a0b0c"}}) {
            int status = -1;
            reg({"add", key, "/v", value[0], "/t", value[1], "/d", value[2], "/reg:32", "/f"}, &status);
            QCOMPARE(status, 0);
        }
        CRegUtil util(m_prefix + "/system.reg");
        QCOMPARE(util.GetSettingString(HKEY_LOCAL_MACHINE, kGameKey, "fromwine"), QStringLiteral("wine text"));
        QCOMPARE(util.GetSettingLong(HKEY_LOCAL_MACHINE, kGameKey, "COUNT"), 7);
        QCOMPARE(util.GetSettingByte(HKEY_LOCAL_MACHINE, kGameKey, "Blob").toByteArray(), QByteArray("\x0a\x0b\x0c"));
        QVERIFY(util.GetAllKeys(HKEY_LOCAL_MACHINE, "SOFTWARE\\Red Storm Entertainment").contains("RogueSpear"));
    }
};

QTEST_GUILESS_MAIN(TestWineInterop)
#include "test_wine_interop.moc"
