#include "tests/support/TestSupport.h"

#include <QtTest>

// The command line of the program and of skirmdeck-reg, run as the built programs: help and
// version, usage errors before any window, and the settings file both of them then use.
namespace {

struct Run {
    int status = -1;
    QString out;
    QString err;
};

// Without a display, only what merely prints can run; the rest gets the offscreen platform.
QProcessEnvironment Environment(const QString &home, bool display)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"SKIRMDECK_REGISTRY", "WINEPREFIX", "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(name);
    env.insert("HOME", home);
    env.insert("XDG_DATA_HOME", home + "/data");
    if (display)
        env.insert("QT_QPA_PLATFORM", "offscreen");
    return env;
}

Run Start(const QString &program, const QStringList &args, const QString &home, bool display = true)
{
    QProcess process;
    process.setProcessEnvironment(Environment(home, display));
    process.start(program, args);
    Run run;
    if (process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit)
        run.status = process.exitCode();
    run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

} // namespace

class TestCommandLine : public QObject {
    Q_OBJECT

    QTemporaryDir m_home;

private slots:
    void helpVersionAndUsageErrors()
    {
        for (const QString &program : {QString(SKIRMDECK_BIN), QString(SKIRMDECK_REG_BIN)}) {
            const QString name = QFileInfo(program).fileName();
            Run run = Start(program, {"--version"}, m_home.path(), false);
            QCOMPARE(run.status, 0);
            QVERIFY2(QRegularExpression("^" + name + " \\d+\\.\\d+\\.\\d+\n$").match(run.out).hasMatch(),
                     qPrintable(run.out));
            run = Start(program, {"--help"}, m_home.path(), false);
            QCOMPARE(run.status, 0);
            for (const char *option : {"--registry <file>", "--prefix <folder>", "--version", "--help"})
                QVERIFY2(run.out.contains(option), qPrintable(run.out));
            // Errors go to standard error with status 2; the program opens no window first.
            run = Start(program, {"--frobnicate"}, m_home.path());
            QCOMPARE(run.status, 2);
            QVERIFY2(run.err.contains("Unknown option 'frobnicate'"), qPrintable(run.err));
            QCOMPARE(run.out, QString());
            run = Start(program, {"--registry", m_home.filePath("nowhere.reg")}, m_home.path());
            QCOMPARE(run.status, 2);
            QVERIFY2(run.err.contains("no such file: " + m_home.filePath("nowhere.reg")), qPrintable(run.err));
        }
    }

    // ~/.wine/system.reg is found by both, and the program says so on standard error.
    void bothUseTheHomePrefix()
    {
        const QString hive = m_home.filePath(".wine/system.reg");
        QVERIFY(QDir(m_home.path()).mkpath(".wine") && WriteTestFile(hive, HiveHeader(false)));
        const Run add = Start(SKIRMDECK_REG_BIN, {"add", "HKLM\\SOFTWARE\\Test", "/v", "X", "/d", "y"}, m_home.path());
        QCOMPARE(add.status, 0);
        QVERIFY(ReadTestFile(hive).contains("\n[SOFTWARE\\\\Test] "));

        QProcess program;
        program.setProcessEnvironment(Environment(m_home.path(), true));
        program.start(SKIRMDECK_BIN, QStringList());
        QVERIFY(program.waitForStarted());
        QString err;
        const QString expected = "skirmdeck: settings file " + hive + " (from ~/.wine)\n";
        QTRY_VERIFY_WITH_TIMEOUT((err += QString::fromLocal8Bit(program.readAllStandardError())).contains(expected),
                                 60000);
        program.kill();
        program.waitForFinished();
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "test_command_line.moc"
