#include "core/settings/CRegUtil.h"
#include "core/settings/RegWriteScope.h"
#include "core/settings/WineHandoff.h"
#include "core/state/AppState.h"
#include "gui/options/frmPlayerConfig.h"
#include "tests/support/ScriptedMessageBox.h"
#include "tests/support/WineWatch.h"

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

// Writes to a prefix while its wineserver runs (started with -p, as after a game): the file
// gets them, the running server gets them (so its save on exit keeps them), and one command is
// one replacement and one Wine process. Skipped where Wine cannot run.
namespace {

const QString kPlayerName = QStringLiteral("MultiplayerPlayerName");

} // namespace

class TestWineHandoff : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_prefix;
    QString m_hive;

    QByteArray wine(const QString &program, const QStringList &args, int *status = nullptr)
    {
        return RunWine(m_prefix, program, args, status);
    }

    QByteArray query(const QString &key, const QString &name)
    {
        return wine("wine", {"reg", "query", "HKLM\\" + key, "/v", name, "/reg:32"});
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
        wine("wineserver", {"-k0"}, &status);
        QCOMPARE(status, 0);
    }

    void cleanupTestCase()
    {
        if (!m_prefix.isEmpty())
            wine("wineserver", {"-k"});
    }

    void writesReachTheRunningServerAndTheFile()
    {
        // Through a dialog's OK, as a player does it.
        ReleaseRegUtil();
        gGameType = kRogueSpear;
        gRegistry = kRSRegistry;
        ScriptedMessageBox messages;
        {
            frmPlayerConfig dialog;
            dialog.show();
            dialog.txtPlayerName->clear();
            QTest::keyClicks(dialog.txtPlayerName, "Tester");
            QTest::mouseClick(dialog.cmdOK, Qt::LeftButton);
        }
        ReleaseRegUtil();

        // Twenty values through the store by one command: one replacement of the file, one Wine process.
        const WineStarts starts;
        ReplacementCounter replaced(m_hive);
        CRegUtil reg(m_hive);
        {
            const RegWriteScope command(reg);
            for (int i = 0; i < 20; ++i)
                reg.SaveSettingLong(HKEY_LOCAL_MACHINE, kRSRegistry, QString("Batch%1").arg(i), i);
        }
        winehandoff::WaitForAll();
        QCOMPARE(replaced.count(), 1);
        QCOMPARE(starts.starts().size(), 1);
        QVERIFY2(winehandoff::LastFailure().isEmpty(), qPrintable(winehandoff::LastFailure()));

        // The server has them while it still runs...
        QVERIFY(query(kRSRegistry, kPlayerName).contains("REG_SZ    Tester"));
        QVERIFY(query(kRSRegistry, "Batch19").contains("REG_DWORD    0x13"));
        int status = -1;
        wine("wineserver", {"-k0"}, &status);
        QCOMPARE(status, 0);

        // ...and its save on exit keeps them in the file.
        wine("wineserver", {"-k"});
        wine("wineserver", {"-w"});
        QFile hive(m_hive);
        QVERIFY(hive.open(QIODevice::ReadOnly));
        const QByteArray text = hive.readAll();
        QVERIFY(text.contains("\"MultiplayerPlayerName\"=\"Tester\""));
        QVERIFY(text.contains("\"Batch19\"=dword:00000013"));
    }
};

QTEST_MAIN(TestWineHandoff)
#include "test_wine_handoff.moc"
