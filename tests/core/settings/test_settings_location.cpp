#include "core/settings/CommandLine.h"
#include "core/settings/SettingsLocation.h"
#include "tests/support/TestSupport.h"

#include <QtTest>

// Which settings file and start folder the options and the environment choose. Temporary
// folders stand in for the home folder, the prefixes and the data folder.
class TestSettingsLocation : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString path(const QString &name) const { return m_dir.filePath(name); }

    void makeHive(const QString &folder) const
    {
        QDir().mkpath(path(folder));
        WriteTestFile(path(folder + "/system.reg"), {});
    }

private slots:
    void eachRuleWinsOverTheOnesBelow()
    {
        settingsfile::Sources sources;
        sources.homeFolder = path("home");
        sources.dataFolder = path("data/skirmdeck");
        QDir().mkpath(path("home/.wine"));
        const auto chosen = [&] {
            const settingsfile::Choice choice = settingsfile::choose(sources);
            return choice.rule + ' ' + choice.path;
        };
        // Bottom up: each rule added takes over from the one before. A WINEPREFIX without a
        // system.reg, and a ~/.wine folder without one, do not count.
        sources.winePrefixEnv = path("empty");
        QDir().mkpath(path("empty"));
        QCOMPARE(chosen(), "data folder " + path("data/skirmdeck/system.reg"));
        QCOMPARE((makeHive("home/.wine"), chosen()), "~/.wine " + path("home/.wine/system.reg"));
        sources.winePrefixEnv = path("envprefix");
        QCOMPARE((makeHive("envprefix"), chosen()), "WINEPREFIX " + path("envprefix/system.reg"));
        // --prefix wins even before its file exists (the command line checks that).
        sources.prefixOption = path("optprefix");
        QCOMPARE(chosen(), "--prefix " + path("optprefix/system.reg"));
        sources.registryEnv = path("env.reg");
        QCOMPARE(chosen(), "SKIRMDECK_REGISTRY " + path("env.reg"));
        sources.registryOption = path("option.reg");
        QCOMPARE(chosen(), "--registry " + path("option.reg"));
    }

    // Chosen by the command line, fixed for the rest of the run whatever the environment says
    // (the command-line test runs the programs in an environment of their own).
    void choiceIsFixedForTheRun()
    {
        makeHive("fixed");
        QCOMPARE(cmdline::UseSettingsFile({QString(), path("fixed")}).rule, QString("--prefix"));
        const ScopedEnv late("SKIRMDECK_REGISTRY", QFile::encodeName(path("late.reg")));
        QCOMPARE(settingsfile::current().path, path("fixed/system.reg"));
    }

    void goodOptions()
    {
        using cmdline::Program;
        QTemporaryDir data;
        const ScopedEnv xdg("XDG_DATA_HOME", QFile::encodeName(data.path()));
        makeHive("cl");
        const QString here = QDir::current().absoluteFilePath("favourites/here");
        QCOMPARE(cmdline::Parse({"prog", "--start-dir", "favourites/here"}, Program::Window, {}).options.startDir,
                 here);
        auto parsed = cmdline::Parse({"prog", "--start-in-data-dir"}, Program::Window, {});
        QCOMPARE(parsed.options.startDir, data.path() + "/skirmdeck");
        // A tool's command keeps its own arguments, even ones that look like options.
        parsed = cmdline::Parse({"tool", "--prefix", path("cl"), "add", "K", "/d", "-5", "--x"}, Program::Tool, "d");
        QVERIFY(!parsed.exitStatus);
        QCOMPARE(parsed.positional, QStringList({"add", "K", "/d", "-5", "--x"}));
    }

    // Options are checked before anything runs: each mistake is a usage error naming it.
    void usageErrors_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        QTest::newRow("both") << QStringList{"skirmdeck", "--start-in-data-dir", "--start-dir", "x"}
                              << "give only one of --start-dir and --start-in-data-dir";
        QTest::newRow("empty") << QStringList{"skirmdeck", "--start-dir="} << "--start-dir: a folder is needed";
        QTest::newRow("tool") << QStringList{"skirmdeck-reg", "--start-dir", "x", "query"}
                              << "Unknown option 'start-dir'.";
        QTest::newRow("stray") << QStringList{"skirmdeck", "stray"} << "unexpected argument 'stray'";
    }
    void usageErrors()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        const bool tool = arguments.first().endsWith("-reg");
        const auto result = cmdline::Parse(arguments, tool ? cmdline::Program::Tool : cmdline::Program::Window, {});
        QCOMPARE(result.exitStatus, std::optional<int>(2));
        QCOMPARE(result.errors, QString("%1: %2\nTry '%1 --help' for more information.\n").arg(arguments[0], message));
    }
};

QTEST_GUILESS_MAIN(TestSettingsLocation)
#include "test_settings_location.moc"
