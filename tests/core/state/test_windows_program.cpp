// The machine type of Windows programs, whether an installed Wine can start 32-bit ones, and
// the start folder the favourites live in.
#include "core/runtime/RuntimeError.h"
#include "core/state/StartFolder.h"
#include "core/state/WindowsProgram.h"
#include "tests/support/TestSupport.h"

#include <QtTest>

class TestWindowsProgram : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_initial = QDir::currentPath();

    // A Wine installation in the manner of Debian's: bin/wine and the loaders in lib/wine.
    QString wineInstall(const QString &name, const QStringList &loaders)
    {
        const QDir root(m_dir.filePath(name));
        root.mkpath("bin");
        root.mkpath("lib/wine");
        WriteTestFile(root.filePath("bin/wine"), "#!/bin/sh\n", true);
        for (const QString &loader : loaders)
            WriteTestFile(root.filePath("lib/wine/" + loader), "\177ELF", true);
        return root.filePath("bin/wine");
    }

private slots:

    void machineType_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("machine");
        QTest::newRow("32-bit") << PeHeader(0x014C) << int(PeMachine::X86);
        QTest::newRow("64-bit") << PeHeader(0x8664, 0xE8) << int(PeMachine::X64);
        QTest::newRow("ARM64") << PeHeader(0xAA64) << int(PeMachine::Other);
        QTest::newRow("16-bit NE") << PeHeader(0x014C, 0x80, QByteArray("NE\0\0", 4)) << int(PeMachine::NotPe);
        QTest::newRow("offset past the end") << PeHeader(0x014C).left(0x82) << int(PeMachine::NotPe);
        QTest::newRow("script") << QByteArray("#!/bin/sh\nexit 0\n") << int(PeMachine::NotPe);
    }

    void machineType()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, machine);
        const QString path = m_dir.filePath("program.exe");
        QVERIFY(WriteTestFile(path, bytes));
        QCOMPARE(int(ReadPeMachine(path)), machine);
        QCOMPARE(IsWindowsProgram(path), bytes.startsWith("MZ"));
    }

    // Only Debian's layout without a runnable 32-bit loader is known not to run 32-bit
    // programs (through a link, the installation the link leads to counts); the launch is
    // refused only for a 32-bit program and such a Wine (the message is the launch test's), and
    // a missing program is left for the launch to report.
    void wineLoaders()
    {
        const QString both = wineInstall("both", {"wine", "wine64"});
        QVERIFY(WineRuns32Bit(both));
        QVERIFY(WineRuns32Bit(wineInstall("other", {})));
        const QString linked = m_dir.filePath("wine-link");
        QVERIFY(QFile::link(wineInstall("linked", {"wine64"}), linked));
        QVERIFY(!WineRuns32Bit(linked));
        const QString noExec = wineInstall("noexec", {"wine64"});
        QVERIFY(WriteTestFile(m_dir.filePath("noexec/lib/wine/wine"), "\177ELF"));
        QVERIFY(!WineRuns32Bit(noExec));

        const QString game32 = m_dir.filePath("game32.exe"), game64 = m_dir.filePath("game64.exe");
        QVERIFY(WriteTestFile(game32, PeHeader(0x014C)) && WriteTestFile(game64, PeHeader(0x8664)));
        QVERIFY_THROWS_EXCEPTION(RuntimeError, CheckWineCanRun(game32, linked));
        CheckWineCanRun(game64, linked);
        CheckWineCanRun(game32, both);
        CheckWineCanRun(m_dir.filePath("missing.exe"), linked);
    }

    // A missing start folder is made and entered; one that cannot be made is named with the
    // reason, and the current folder stays.
    void startFolder()
    {
        const QString folder = m_dir.filePath("data/skirmdeck dir");
        QCOMPARE(EnterStartFolder(folder), QString());
        QCOMPARE(QDir::currentPath(), QDir(folder).canonicalPath());
        QVERIFY(WriteTestFile(m_dir.filePath("plain file"), {}));
        const QString blocked = m_dir.filePath("plain file/favourites");
        const QString message = EnterStartFolder(blocked);
        QVERIFY2(message.startsWith("cannot use \"" + blocked + "\" as the start folder: ") &&
                     message.contains("Not a directory"),
                 qPrintable(message));
        QCOMPARE(QDir::currentPath(), QDir(folder).canonicalPath());
        QDir::setCurrent(m_initial);
    }
};

QTEST_GUILESS_MAIN(TestWindowsProgram)
#include "test_windows_program.moc"
