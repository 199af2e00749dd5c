#include "core/settings/CommandLine.h"
#include "core/settings/SettingsLocation.h"
#include "tests/support/TestSupport.h"

#include <QtTest>

// Which settings file: each rule wins over the ones below it. Temporary folders stand in for
// the home folder, the prefixes and the data folder.
class TestSettingsLocation : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString path(const QString &name) const { return m_dir.filePath(name); }

    QString makeHive(const QString &folder) const
    {
        QDir().mkpath(path(folder));
        WriteTestFile(path(folder + "/system.reg"), {});
        return path(folder + "/system.reg");
    }

private slots:
    void eachRuleWinsOverTheOnesBelow()
    {
        settingsfile::Sources sources;
        sources.homeFolder = path("home");
        sources.dataFolder = path("data/skirmdeck");
        QDir().mkpath(path("home"));
        using Choice = std::pair<QString, QString>;
        const auto chosen = [&] {
            const settingsfile::Choice choice = settingsfile::choose(sources);
            return Choice(choice.path, choice.rule);
        };
        // Bottom up: each rule added takes over from the one before.
        QCOMPARE(chosen(), Choice(path("data/skirmdeck/system.reg"), "data folder"));
        // A WINEPREFIX without a system.reg, and a ~/.wine folder without one, do not count.
        sources.winePrefixEnv = path("empty");
        QDir().mkpath(path("empty"));
        QDir().mkpath(path("home/.wine"));
        QCOMPARE(chosen(), Choice(path("data/skirmdeck/system.reg"), "data folder"));
        makeHive("home/.wine");
        QCOMPARE(chosen(), Choice(path("home/.wine/system.reg"), "~/.wine"));
        sources.winePrefixEnv = path("envprefix");
        makeHive("envprefix");
        QCOMPARE(chosen(), Choice(path("envprefix/system.reg"), "WINEPREFIX"));
        // --prefix wins even before its file exists (the command line checks that).
        sources.prefixOption = path("optprefix");
        QCOMPARE(chosen(), Choice(path("optprefix/system.reg"), "--prefix"));
        sources.registryEnv = path("env.reg");
        QCOMPARE(chosen(), Choice(path("env.reg"), "SKIRMDECK_REGISTRY"));
        sources.registryOption = path("option.reg");
        QCOMPARE(chosen(), Choice(path("option.reg"), "--registry"));
    }

    // The process's own environment and home folder feed the same rules.
    void environmentOfTheProcess()
    {
        const QByteArray home = qgetenv("HOME");
        qputenv("HOME", QFile::encodeName(path("home2")));
        qunsetenv("SKIRMDECK_REGISTRY");
        qunsetenv("WINEPREFIX");
        makeHive("home2/.wine");
        QCOMPARE(settingsfile::current().path, path("home2/.wine/system.reg"));
        qputenv("WINEPREFIX", QFile::encodeName(makeHive("wp").chopped(11)));
        QCOMPARE(settingsfile::current().path, path("wp/system.reg"));
        const settingsfile::Choice fromOption = cmdline::UseSettingsFile({QString(), path("home2/.wine")});
        QCOMPARE(fromOption.rule, QString("--prefix"));
        // Fixed for the rest of the run, whatever the environment says later.
        qputenv("SKIRMDECK_REGISTRY", QFile::encodeName(path("late.reg")));
        QCOMPARE(settingsfile::current().path, path("home2/.wine/system.reg"));
        qputenv("HOME", home);
    }

    // Options are checked before anything runs: a file that is not there is a usage error.
    void commandLine()
    {
        using cmdline::Program;
        const QString reg = makeHive("cl");
        auto parsed = cmdline::Parse({"prog", "--registry", reg, "--prefix", path("cl")}, Program::Window, "d");
        QVERIFY(!parsed.exitStatus);
        QCOMPARE(parsed.options.registry + parsed.options.prefix, reg + path("cl"));
        // (Unknown options and a missing --registry file: see the programs' own test.)
        for (const QStringList &bad : {QStringList{"prog", "--prefix", path("home")}, QStringList{"prog", "--registry"},
                                       QStringList{"prog", "stray"}}) {
            parsed = cmdline::Parse(bad, Program::Window, "d");
            QCOMPARE(parsed.exitStatus, std::optional<int>(2));
            QVERIFY2(parsed.errors.startsWith("prog: ") && parsed.errors.contains("--help"), qPrintable(parsed.errors));
        }
        // A tool's command keeps its own arguments, even ones that look like options.
        parsed = cmdline::Parse({"tool", "--prefix", path("cl"), "add", "K", "/d", "-5", "--x"}, Program::Tool, "d");
        QVERIFY(!parsed.exitStatus);
        QCOMPARE(parsed.positional, QStringList({"add", "K", "/d", "-5", "--x"}));
    }
};

QTEST_GUILESS_MAIN(TestSettingsLocation)
#include "test_settings_location.moc"
