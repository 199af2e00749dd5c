#include "core/settings/CRegUtil.h"
#include "core/settings/HiveFile.h"
#include "tests/support/ProgramState.h"
#include "tests/support/TestSupport.h"

#include "tests/support/WineWatch.h"

#include <QtTest>

// The store against real Wine: Wine's own files round-trip, Wine loads what the store wrote
// (in the 32-bit view of a win64 prefix, under Wow6432Node; plainly in a win32 one), and the
// store reads what Wine wrote. The prefix is whatever the installed Wine makes: win64 with
// the 64-bit loader (package wine64), win32 with the 32-bit one alone, where the win64 half
// is reported as skipped. Skipped when Wine is not installed.
const QString kGameKey = QStringLiteral("SOFTWARE\\Red Storm Entertainment\\RogueSpear");

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

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable("wine").isEmpty() || QStandardPaths::findExecutable("wineserver").isEmpty())
            QSKIP("Wine is not installed");
        m_prefix = m_dir.filePath("prefix");
        int status = -1;
        wine({"wineboot", "-i"}, &status);
        QCOMPARE(status, 0);
        m_win64 = ReadTestFile(m_prefix + "/system.reg").contains("\n#arch=win64\n");
        qInfo("Wine made a %s prefix", m_win64 ? "win64" : "win32");
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

    // Both ways through Wine's own reg: Wine finds what the store wrote in the 32-bit view
    // (Wow6432Node in a win64 prefix, the plain key in a win32 one: a value put in the wrong
    // place is not found), and the store reads what Wine wrote.
    void storeAndWineAgree()
    {
        const QString hivePath = m_prefix + "/system.reg";
        const QByteArray bytes = QByteArray::fromHex("00ff7f80") + QByteArray(96, '\x5a');
        {
            CRegUtil util(hivePath);
            util.SaveSettingString(HKEY_LOCAL_MACHINE, kGameKey, "PlayerName",
                                   QStringLiteral("Caf\u00e9 \u20ac \"q\" \\ \u4e2d"));
            util.SaveSettingLong(HKEY_LOCAL_MACHINE, kGameKey, "Port", 42);
            util.SaveSettingByte(HKEY_LOCAL_MACHINE, kGameKey, "Bytes", bytes);
            util.SaveSettingString(HKEY_LOCAL_MACHINE, kGameKey, "", "dflt");
        }
        int status = -1;
        const QString key = "HKLM\\" + kGameKey;
        const QString exported = m_dir.filePath("export.reg");
        wine({"reg", "export", key, QString("Z:" + exported).replace('/', '\\'), "/reg:32", "/y"}, &status);
        QCOMPARE(status, 0);
        // Joined where Wine wraps a long hex line.
        const QString text = QString(QStringDecoder(QStringDecoder::Utf16)(ReadTestFile(exported))).remove("\\\r\n  ");
        for (const QString &line :
             QStringList{"\"PlayerName\"=\"Caf\u00e9 \u20ac \\\"q\\\" \\\\ \u4e2d\"", "\"Port\"=dword:0000002a",
                         "\"Bytes\"=hex:" + bytes.toHex(','), "@=\"dflt\""})
            QVERIFY2(text.contains("\r\n" + line + "\r\n"), qPrintable(line + " not in " + text));

        wine({"reg", "add", key, "/v", "FromWine", "/d", "wine text", "/reg:32", "/f"}, &status);
        QCOMPARE(status, 0);
        QCOMPARE(CRegUtil(hivePath).GetSettingString(HKEY_LOCAL_MACHINE, kGameKey, "fromwine"), "wine text");
        if (!m_win64)
            QSKIP("this Wine has no 64-bit loader (wine64) and made a win32 prefix: the Wow6432Node "
                  "placement of a win64 prefix was not checked");
    }
};

QTEST_GUILESS_MAIN(TestWineInterop)
#include "test_wine_interop.moc"
