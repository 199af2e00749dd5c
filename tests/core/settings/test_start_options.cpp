// The main program's start-folder options: --start-dir and --start-in-data-dir.
#include "core/settings/CommandLine.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using cmdline::Parse;
using cmdline::Program;

class TestStartOptions : public QObject {
    Q_OBJECT

private slots:
    void startFolder()
    {
        const QStringList program{"skirmdeck"};
        QTemporaryDir data;
        qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
        const std::pair<QStringList, QString> cases[] = {
            {{}, QString()},
            {{"--start-dir", "favourites/here"}, QDir::current().absoluteFilePath("favourites/here")},
            {{"--start-in-data-dir"}, data.path() + "/skirmdeck"}};
        for (const auto &[arguments, startDir] : cases) {
            const auto parsed = Parse(program + arguments, Program::Window, {});
            QVERIFY(!parsed.exitStatus);
            QCOMPARE(parsed.options.startDir, startDir);
        }
        qunsetenv("XDG_DATA_HOME");

        const auto help = Parse(program + QStringList{"--help"}, Program::Window, {});
        QVERIFY(help.output.contains("--start-dir <folder>") && help.output.contains("--start-in-data-dir"));
    }

    void unusableStartOptions_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("program");
        QTest::addColumn<QString>("message");
        QTest::newRow("both") << QStringList{"skirmdeck", "--start-in-data-dir", "--start-dir", "x"}
                              << int(Program::Window) << "give only one of --start-dir and --start-in-data-dir";
        QTest::newRow("empty") << QStringList{"skirmdeck", "--start-dir="} << int(Program::Window)
                               << "--start-dir: a folder is needed";
        QTest::newRow("missing folder") << QStringList{"skirmdeck", "--start-dir"} << int(Program::Window)
                                        << "Missing value after '--start-dir'.";
        QTest::newRow("tool") << QStringList{"skirmdeck-reg", "--start-dir", "x", "query", "HKLM"} << int(Program::Tool)
                              << "Unknown option 'start-dir'.";
    }

    void unusableStartOptions()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, program);
        QFETCH(QString, message);
        const auto result = Parse(arguments, Program(program), {});
        QCOMPARE(result.exitStatus, std::optional<int>(2));
        QVERIFY2(result.errors.startsWith(arguments.first() + ": " + message + "\n"), qPrintable(result.errors));
    }
};

QTEST_GUILESS_MAIN(TestStartOptions)
#include "test_start_options.moc"
