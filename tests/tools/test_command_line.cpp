#include "tests/support/TestSupport.h"

#include <QtTest>

// The command line of the program and of skirmdeck-reg, run as the built programs: help and
// usage errors before any window, and the settings file the program names.
namespace {

// Never a display: the Qt platform is named on the command line where a window must open, which also
// proves Qt's own options pass the program's own reading of the command line.
QProcessEnvironment Environment(const QString &home)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"SKIRMDECK_REGISTRY", "WINEPREFIX", "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(name);
    env.insert("HOME", home);
    env.insert("XDG_DATA_HOME", home + "/data");
    return env;
}

} // namespace

class TestCommandLine : public QObject {
    Q_OBJECT

    QTemporaryDir m_home;

private slots:
    // Help and a refused command line are told before anything needs a display (the version
    // line, made by the same code, is read in the directory tool's test).
    void withoutDisplay_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("output"); // patterns for the whole of standard output and error
        QTest::addColumn<QString>("errors");
        const QString nowhere = m_home.filePath("nowhere");
        for (const QString &program : {QString(SKIRMDECK_BIN), QString(SKIRMDECK_REG_BIN)}) {
            const QString name = QFileInfo(program).fileName();
            const QString usage = "Usage: " + QRegularExpression::escape(program) + " \\[options\\][^\\n]*\n";
            const auto row = [&](const char *what) -> QTestData & {
                return QTest::addRow("%s %s", qPrintable(name), what);
            };
            // One usage line (reg's commands have a heading of their own); Qt's options only with --help-all.
            row("--help") << program << QStringList{"--help"} << 0
                          << "^" + usage +
                                 "(?!.*Usage)(?=.*--registry <file>)(?=.*--prefix <folder>)(?!.*--platform).*$"
                          << "^$";
            const QString tryHelp = "\nTry '" + name + " --help' for more information.\n$";
            row("unknown") << program << QStringList{"--bogus"} << 2 << "^$"
                           << "^" + name + ": Unknown option 'bogus'\\." + tryHelp;
        }
        // Each refused option's message is the parser's, proven without a process; here that it
        // reaches standard error with status 2 after Qt's own options.
        QTest::newRow("skirmdeck: Qt's options, then a missing file")
            << QString(SKIRMDECK_BIN) << QStringList{"-platform", "xcb", "-style=fusion", "--registry", nowhere} << 2
            << "^$"
            << "^skirmdeck: --registry: no such file: " + QRegularExpression::escape(nowhere) + "\n";
    }

    void withoutDisplay()
    {
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, output);
        QFETCH(QString, errors);
        const ProgramRun run = RunProgram(program, arguments, Environment(m_home.path()));
        QCOMPARE(run.status, status);
        const auto matches = [](const QString &pattern, const QString &text) {
            return QRegularExpression(pattern, QRegularExpression::DotMatchesEverythingOption).match(text).hasMatch();
        };
        QVERIFY2(matches(output, run.out), qPrintable(run.out));
        QVERIFY2(matches(errors, run.err), qPrintable(run.err));
    }

    // The settings file is chosen by the rules of the settings test; the program names the
    // one it uses, and the rule, on standard error.
    void homePrefixIsNamedOnStandardError()
    {
        const QString hive = m_home.filePath(".wine/system.reg");
        QVERIFY(QDir(m_home.path()).mkpath(".wine") && WriteTestFile(hive, HiveHeader(false)));
        QProcess program;
        program.setProcessEnvironment(Environment(m_home.path()));
        program.start(SKIRMDECK_BIN, {"-platform", "offscreen"});
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
