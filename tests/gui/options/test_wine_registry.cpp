#include "core/settings/CRegUtil.h"
#include "core/settings/HiveFile.h"
#include "core/settings/WineHandoff.h"
#include "core/state/AppState.h"
#include "gui/options/frmPlayerConfig.h"
#include "tests/support/ProgramState.h"
#include "tests/support/ScriptedMessageBox.h"
#include "tests/support/TestSupport.h"
#include "tests/support/WineWatch.h"

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

// The store and the dialogs against real Wine, in one prefix made by whatever Wine is installed:
// win64 with the 64-bit loader (package wine64), win32 with the 32-bit one alone, where the win64
// half is reported as skipped. Skipped when Wine is not installed.
class TestWineRegistry : public IsolatedTest {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_prefix;
    QString m_hive;
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
        m_hive = m_prefix + "/system.reg";
        int status = -1;
        wine({"wineboot", "-i"}, &status);
        QCOMPARE(status, 0);
        m_win64 = ReadTestFile(m_hive).contains("\n#arch=win64\n");
        qInfo("Wine made a %s prefix", m_win64 ? "win64" : "win32");
    }

    void cleanupTestCase()
    {
        if (!m_prefix.isEmpty())
            RunWine(m_prefix, "wineserver", {"-k"});
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
        const QByteArray bytes = QByteArray::fromHex("00ff7f80") + QByteArray(96, '\x5a');
        {
            CRegUtil util(m_hive);
            util.SaveSettingString(HKEY_LOCAL_MACHINE, kRSRegistry, "PlayerName",
                                   QStringLiteral("Caf\u00e9 \u20ac \"q\" \\ \u4e2d"));
            util.SaveSettingLong(HKEY_LOCAL_MACHINE, kRSRegistry, "Port", 42);
            util.SaveSettingByte(HKEY_LOCAL_MACHINE, kRSRegistry, "Bytes", bytes);
            util.SaveSettingString(HKEY_LOCAL_MACHINE, kRSRegistry, "", "dflt");
        }
        int status = -1;
        const QString key = "HKLM\\" + kRSRegistry;
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
        QCOMPARE(CRegUtil(m_hive).GetSettingString(HKEY_LOCAL_MACHINE, kRSRegistry, "fromwine"), "wine text");
        if (!m_win64)
            QSKIP("this Wine has no 64-bit loader (wine64) and made a win32 prefix: the Wow6432Node "
                  "placement of a win64 prefix was not checked");
    }

    // A dialog's OK while the prefix's wineserver runs (started with -p, as after a game): the
    // file gets the values, the running server gets them (so its save on exit keeps them), and
    // the one command is one replacement of the file and one Wine process.
    void dialogWritesReachTheRunningServerAndTheFile()
    {
        int status = -1;
        RunWine(m_prefix, "wineserver", {"-p"}, &status);
        QCOMPARE(status, 0);
        const ScopedEnv registry("SKIRMDECK_REGISTRY", QFile::encodeName(m_hive));
        gGameType = kRogueSpear;
        gRegistry = kRSRegistry;
        ScriptedMessageBox messages;
        const WineStarts starts;
        ReplacementCounter replaced(m_hive);
        {
            frmPlayerConfig dialog;
            dialog.show();
            QTest::keyClicks(dialog.txtPlayerName, "Tester");
            QTest::keyClicks(dialog.txtClanName, "Clan");
            QTest::mouseClick(dialog.cmdOK, Qt::LeftButton);
        }
        winehandoff::WaitForAll();
        ReleaseRegUtil();
        QCOMPARE(replaced.count(), 1);
        QCOMPARE(starts.starts().size(), 1);
        QVERIFY2(winehandoff::LastFailure().isEmpty(), qPrintable(winehandoff::LastFailure()));
        QVERIFY(ReadTestFile(m_hive).contains("\"MultiplayerClanName\"=\"Clan\""));
        const QByteArray query = RunWine(m_prefix, "wine", {"reg", "query", "HKLM\\" + kRSRegistry, "/reg:32"});
        for (const char *value : {"MultiplayerPlayerName    REG_SZ    Tester", "MultiplayerClanName    REG_SZ    Clan"})
            QVERIFY(query.contains(value));
    }
};

QTEST_MAIN(TestWineRegistry)
#include "test_wine_registry.moc"
