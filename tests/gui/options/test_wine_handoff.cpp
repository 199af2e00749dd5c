#include "core/settings/CRegUtil.h"
#include "core/settings/WineHandoff.h"
#include "core/state/AppState.h"
#include "gui/options/frmPlayerConfig.h"
#include "tests/support/ScriptedMessageBox.h"
#include "tests/support/TestSupport.h"
#include "tests/support/WineWatch.h"

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

// A dialog's OK while the prefix's wineserver runs (started with -p, as after a game): the file
// gets the values, the running server gets them (so its save on exit keeps them), and the one
// command is one replacement of the file and one Wine process. Skipped where Wine cannot run.
class TestWineHandoff : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_prefix;
    QString m_hive;

    QByteArray wine(const QString &program, const QStringList &args, int *status = nullptr)
    {
        return RunWine(m_prefix, program, args, status);
    }

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable("wine").isEmpty() || QStandardPaths::findExecutable("wineserver").isEmpty())
            QSKIP("Wine is not installed");
        m_prefix = m_dir.filePath("prefix");
        m_hive = m_prefix + "/system.reg";
        int status = -1;
        wine("wine", {"wineboot", "-i"}, &status);
        wine("wineserver", {"-w"});
        if (status != 0 || !QFile::exists(m_hive))
            QSKIP("Wine cannot set up a prefix on this machine");
        qputenv("SKIRMDECK_REGISTRY", QFile::encodeName(m_hive));
        wine("wineserver", {"-p"}, &status);
        QCOMPARE(status, 0);
    }

    void cleanupTestCase()
    {
        if (!m_prefix.isEmpty())
            wine("wineserver", {"-k"});
    }

    void writesReachTheRunningServerAndTheFile()
    {
        ReleaseRegUtil();
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

        // The running server has them, so its save on exit cannot drop them from the file.
        for (const char *value : {"MultiplayerPlayerName    REG_SZ    Tester", "MultiplayerClanName    REG_SZ    Clan"})
            QVERIFY(wine("wine", {"reg", "query", "HKLM\\" + kRSRegistry, "/reg:32"}).contains(value));
    }
};

QTEST_MAIN(TestWineHandoff)
#include "test_wine_handoff.moc"
