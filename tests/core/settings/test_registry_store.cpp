#include "core/settings/RegistryStore.h"
#include "tests/support/TestSupport.h"
#include "tests/support/HiveSamples.h"
#include "tests/support/ProgramState.h"

#include <QtTest>

#include <sys/stat.h>

// The store is exercised by this program's own child processes: "--child MODE ..." runs one
// job against a hive and exits (see childMain at the end).

namespace {

QByteArray dword(quint32 n)
{
    QByteArray bytes(4, '\0');
    qToLittleEndian<quint32>(n, bytes.data());
    return bytes;
}

int runChild(const QStringList &args, QByteArray *err = nullptr)
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), QStringList{"--child"} + args);
    if (!child.waitForFinished(120000))
        return -1;
    if (err)
        *err = child.readAllStandardError();
    return child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -1;
}

mode_t fileMode(const QString &path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

// The file with the section of one key cut out.
QByteArray withoutSection(QByteArray text, const QByteArray &sectionStart)
{
    const qsizetype from = text.indexOf("\n" + sectionStart);
    if (from < 0)
        return text;
    qsizetype to = text.indexOf("\n\n[", from + 1);
    to = to < 0 ? text.size() : to + 1;
    return text.remove(from, to - from);
}

} // namespace

class TestRegistryStore : public IsolatedTest {
    Q_OBJECT

private slots:
    void newFileHasHeaderAndOwnerOnlyMode()
    {
        TempHive hive;
        RegistryStore store(hive.path());
        QVERIFY(!store.value("SOFTWARE\\X", "a") && !store.deleteValue("SOFTWARE\\X", "a"));
        QVERIFY(!QFile::exists(hive.path()));
        QVERIFY(store.setValue("SOFTWARE\\Red Storm Entertainment", "a", REG_DWORD, dword(42)));
        const QByteArray text = hive.read();
        QVERIFY2(text.startsWith(HiveHeader(false) + "\n[SOFTWARE\\\\Red Storm Entertainment] "), text);
        QVERIFY(text.endsWith("\n\"a\"=dword:0000002a\n"));
        QCOMPARE(fileMode(hive.path()), mode_t(0600));

        // An existing file keeps the mode its owner gave it.
        QVERIFY(::chmod(QFile::encodeName(hive.path()).constData(), 0640) == 0);
        QVERIFY(store.setValue("SOFTWARE\\Red Storm Entertainment", "b", REG_DWORD, dword(1)));
        QCOMPARE(fileMode(hive.path()), mode_t(0640));
    }

    // A write changes its own key only: every other line of a Wine file stays as it was.
    void writeKeepsEverythingElse()
    {
        TempHive hive(kWineSystemReg);
        RegistryStore store(hive.path());
        const qint64 before = QDateTime::currentSecsSinceEpoch();
        QVERIFY(
            store.setValue("SOFTWARE\\Red Storm Entertainment\\Ravenshield", "Port", REG_SZ, QByteArray("1\0\0\0", 4)));
        const QByteArray text = hive.read();
        const QByteArray section = "[Software\\\\Wow6432Node\\\\Red Storm Entertainment\\\\Ravenshield] ";
        const qsizetype at = text.indexOf(section);
        QVERIFY2(at > 0, text);
        const qint64 seconds = text.mid(at + section.size(), 10).toLongLong();
        QVERIFY(seconds >= before && seconds <= QDateTime::currentSecsSinceEpoch());
        QCOMPARE(withoutSection(text, section), kWineSystemReg);

        QVERIFY(store.deleteKey("SOFTWARE\\Red Storm Entertainment\\Ravenshield"));
        QCOMPARE(hive.read(), kWineSystemReg);
    }

    void win64Redirection()
    {
        TempHive hive(kWineSystemReg);
        RegistryStore store(hive.path());
        QCOMPARE(store.value("SOFTWARE\\Red Storm Entertainment\\RogueSpear", "multiplayermanualjoinport")->data,
                 QByteArray("2\0003\0004\0006\0\0\0", 10));
        QCOMPARE(store.subKeyNames("software\\red storm entertainment"), QStringList{"RogueSpear"});
        // Other branches are not redirected.
        QVERIFY(store.keyExists("SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment"));

        RegistryStore view64(hive.path());
        view64.setWow64View(false);
        QVERIFY(!view64.keyExists("SOFTWARE\\Red Storm Entertainment\\RogueSpear"));
        QVERIFY(view64.keyExists("Software\\Wow6432Node\\Red Storm Entertainment\\RogueSpear") &&
                view64.keyExists("Software\\Microsoft\\Windows NT\\CurrentVersion"));
        QVERIFY(!store.keyExists("Software\\Microsoft\\Windows NT\\CurrentVersion"));

        // A 32-bit prefix has no Wow6432Node.
        TempHive hive32(HiveHeader(false));
        RegistryStore store32(hive32.path());
        QVERIFY(store32.setValue("SOFTWARE\\Example", "v", REG_DWORD, dword(1)));
        QVERIFY(hive32.read().contains("\n[SOFTWARE\\\\Example] "));
    }

    void keySemantics()
    {
        TempHive hive;
        RegistryStore store(hive.path());
        QVERIFY(store.setValue("Software\\Example\\Sub", "Name", REG_DWORD, dword(1)));
        QVERIFY(store.setValue("software\\EXAMPLE\\sub", "NAME", REG_DWORD, dword(2)));
        QVERIFY(store.setValue("Software\\Example\\_first", "x", REG_DWORD, dword(3)));
        QCOMPARE(store.subKeyNames("Software\\Example"), (QStringList{"_first", "Sub"}));
        const QList<RegValue> values = store.values("Software\\Example\\Sub");
        QCOMPARE(values.size(), 1);
        QCOMPARE(values[0].name + values[0].data.toHex(), "Name02000000");
        // A key with sub-keys is only removed as a tree.
        QVERIFY(!store.deleteKey("Software\\Example"));
        QVERIFY(store.deleteKey("Software\\Example\\_first"));
        QVERIFY(!store.deleteKey("Software\\Example\\_first"));
        QVERIFY(store.deleteTree("SOFTWARE\\EXAMPLE"));
        QVERIFY(!store.keyExists("Software\\Example") && store.keyExists("Software"));
    }

    // The file replaced or edited by someone else is read again, even within the same second.
    void changesByOthersAreSeen()
    {
        TempHive hive;
        RegistryStore store(hive.path());
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(runChild({"write", hive.path(), "v", QString::number(i + 1)}), 0);
            const auto value = store.value("SOFTWARE\\Shared", "v" + QString::number(i));
            QVERIFY(value);
            QCOMPARE(value->data, dword(quint32(i)));
        }
        // Edited in place with the same length.
        QByteArray text = hive.read();
        text.replace("dword:00000004", "dword:00000007");
        hive.write(text);
        QCOMPARE(store.value("SOFTWARE\\Shared", "v4")->data, dword(7));
        QFile::remove(hive.path());
        QVERIFY(!store.keyExists("SOFTWARE\\Shared"));
    }

    // Two processes writing at once both keep all their writes.
    void concurrentWritersKeepAll()
    {
        TempHive hive(kWineSystemReg);
        const int count = 60;
        QList<QProcess *> children;
        for (const char *prefix : {"A", "B", "C"}) {
            auto *child = new QProcess(this);
            child->start(QCoreApplication::applicationFilePath(),
                         {"--child", "write", hive.path(), prefix, QString::number(count)});
            children.append(child);
        }
        for (QProcess *child : children) {
            QVERIFY(child->waitForFinished(240000));
            QCOMPARE(child->exitCode(), 0);
        }
        RegistryStore store(hive.path());
        const QList<RegValue> values = store.values("SOFTWARE\\Shared");
        QCOMPARE(values.size(), 3 * count);
        for (const char *prefix : {"A", "B", "C"}) {
            for (int i = 0; i < count; ++i)
                QCOMPARE(store.value("SOFTWARE\\Shared", prefix + QString::number(i))->data, dword(quint32(i)));
        }
        QVERIFY(store.keyExists("SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment"));
    }

    // A left-over lock of a process that died does not block writes.
    void staleLockIsTakenOver()
    {
        TempHive hive;
        QProcess dead;
        dead.start("true", {});
        QVERIFY(dead.waitForStarted());
        const qint64 pid = dead.processId();
        QVERIFY(dead.waitForFinished());
        QFile lock(hive.path() + ".lock");
        QVERIFY(lock.open(QIODevice::WriteOnly));
        lock.write(QByteArray::number(pid) + "\nskirmdeck\n" + QSysInfo::machineHostName().toUtf8() + "\n");
        lock.close();
        RegistryStore store(hive.path());
        QVERIFY(store.setValue("SOFTWARE\\X", "v", REG_DWORD, dword(1)));
    }

    // Never overwritten; reads find nothing; one warning naming file and line.
    void corruptFileIsLeftAlone_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("line");
        QTest::newRow("bad header") << QByteArray("REGEDIT4\n\n[SOFTWARE\\\\X]\n\"v\"=dword:1\n") << "line 1";
        QTest::newRow("bad value") << HiveHeader(false) + "\n[SOFTWARE\\\\X] 1\n\"v\"=dword:1\n\"w\"=hex:zz\n"
                                   << "line 8";
    }
    void corruptFileIsLeftAlone()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, line);
        TempHive hive(text);
        const QDateTime modified = QFileInfo(hive.path()).lastModified();
        QByteArray err;
        QCOMPARE(runChild({"corrupt", hive.path()}, &err), 0);
        QCOMPARE(hive.read(), text);
        QCOMPARE(QFileInfo(hive.path()).lastModified(), modified);
        const QList<QByteArray> lines = err.trimmed().split('\n');
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines[0].contains(hive.path().toUtf8()) && lines[0].contains(line.toUtf8()), err);
    }
};

namespace {

// Jobs run in a child process; the exit status says whether they went as expected.
int childMain(const QStringList &args)
{
    const QString mode = args.value(0);
    RegistryStore store(args.value(1));
    if (mode == "write") {
        for (int i = 0; i < args.value(3).toInt(); ++i) {
            if (!store.setValue("SOFTWARE\\Shared", args.value(2) + QString::number(i), REG_DWORD, dword(quint32(i))))
                return 1;
        }
        return 0;
    }
    if (mode == "corrupt") {
        bool ok = !store.isReadable();
        for (int i = 0; i < 5; ++i) {
            ok = ok && !store.value("SOFTWARE\\X", "v") && !store.keyExists("SOFTWARE\\X") &&
                 store.subKeyNames("SOFTWARE").isEmpty() && store.values("SOFTWARE\\X").isEmpty();
        }
        ok = ok && !store.setValue("SOFTWARE\\X", "w", REG_DWORD, dword(1)) && !store.createKey("SOFTWARE\\Y") &&
             !store.deleteTree("SOFTWARE\\X") && !store.deleteValue("SOFTWARE\\X", "v");
        RegistryStore second(args.value(1));
        ok = ok && !second.keyExists("SOFTWARE\\X");
        return ok ? 0 : 1;
    }
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc > 1 && qstrcmp(argv[1], "--child") == 0)
        return childMain(app.arguments().mid(2));
    TestRegistryStore test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_registry_store.moc"
