#include "core/settings/HiveFile.h"
#include "core/settings/RegistryStore.h"
#include "tests/support/HiveSamples.h"
#include "tests/support/ProgramState.h"
#include "tests/support/TestSupport.h"

#include <QtTest>

// The hive format, and the store over it. The store is exercised by this program's own child
// processes too: "--child MODE ..." runs one job against a hive and exits (see childMain).

namespace {

// The text with its NUL, as Windows keeps strings: UTF-16, little-endian.
QByteArray utf16z(const QString &text) { return QStringEncoder(QStringEncoder::Utf16LE)(text + QChar(0)); }

hive::HiveFile parsed(const QByteArray &text)
{
    hive::ParseError error;
    auto file = hive::HiveFile::parse(text, &error);
    if (!file)
        qFatal("parse failed at line %lld: %s", static_cast<long long>(error.line), qPrintable(error.message));
    return std::move(*file);
}

// A name from the characters the writer must escape or encode, mixed with plain ones.
QString randomName(QRandomGenerator &random, int minLength)
{
    static const QString kChars = QStringLiteral("aZ0f \\\"[]=@\t\n\u00e9\u20ac") + QString::fromUcs4(U"\U0001F600");
    QString name;
    const int length = minLength + random.bounded(6);
    while (name.size() < length) {
        const int at = random.bounded(kChars.size() - 1);
        name += kChars.at(at).isHighSurrogate() ? kChars.mid(at, 2) : QString(kChars.at(at));
    }
    return name;
}

QByteArray dword(quint32 n)
{
    QByteArray bytes(4, '\0');
    qToLittleEndian<quint32>(n, bytes.data());
    return bytes;
}

} // namespace

class TestRegistryStore : public IsolatedTest {
    Q_OBJECT

private slots:
    // Generated keys and values, with every character the writer escapes, read back as written.
    void generatedTreesRoundTrip()
    {
        QRandomGenerator random(20);
        for (int round = 0; round < 20; ++round) {
            hive::HiveFile file = hive::HiveFile::createNew(round % 2);
            QList<std::pair<QStringList, QString>> written;
            for (int i = 0; i < 10; ++i) {
                QStringList path;
                for (int depth = random.bounded(1, 4); depth > 0; --depth)
                    path << randomName(random, 1).replace(u'\\', u'_'); // a name holds no separator
                const QString name = randomName(random, 0);
                const QString text = randomName(random, 0);
                QByteArray data = i % 3 ? utf16z(text) : text.toUtf8();
                file.create(path)->setValue(name, i % 3 ? 1u : 3u, data);
                written.append({path, name});
            }
            const QByteArray text = file.serialize();
            const hive::HiveFile back = parsed(text);
            QCOMPARE(back.serialize(), text);
            for (const auto &[path, name] : written) {
                const hive::Key *key = back.find(path);
                QVERIFY2(key && key->value(name), text);
                QCOMPARE(key->value(name)->data, file.find(path)->value(name)->data);
            }
        }
    }

    // What the escapes and value forms Wine writes mean.
    void valuesDecode()
    {
        const hive::HiveFile file = parsed(kWineSystemReg);
        const hive::Key *cv = file.find({"software", "MICROSOFT", "windows nt", "CurrentVersion"});
        QCOMPARE(cv->value(u"registeredowner")->data,
                 utf16z(QStringLiteral("Caf\u00e9 \u00e9a \u20ac\u00e9 ") + QString::fromUcs4(U"\U0001F600")));
        const hive::Key *esc = file.find({"Software", "Vendor [Test]", "Escapes"});
        QCOMPARE(esc->value(u"Ctl")->data, utf16z(QString::fromUtf16(u"\x01\x02"
                                                                     "7\a\b\t\n\v\f\r\x1b\x1f"
                                                                     "7")));
        QCOMPARE(esc->value(u"Path")->data, utf16z(QStringLiteral("%SystemRoot%\\system32;\"quoted\"")));
    }

    // Input Wine accepts but does not write comes out in Wine's form.
    void normalises_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray k = "\n[A] 1\n";
        QTest::newRow("crlf") << QByteArray("\r\n[A] 1\r\n\"x\"=\"1\"\r\n") << k + "\"x\"=\"1\"\n";
        QTest::newRow("sections merge without regard to case")
            << QByteArray("\n[Soft\\\\Ex] 1\n\"b\"=\"1\"\n\n[soft\\\\EX] 2\n\"a\"=\"2\"\n")
            << QByteArray("\n[Soft\\\\Ex] 2\n\"a\"=\"2\"\n\"b\"=\"1\"\n");
        QTest::newRow("duplicate value: last wins, first spelling kept") << k + "\"Name\"=\"1\"\n\"NAME\"=dword:2\n"
                                                                         << k + "\"Name\"=dword:00000002\n";
        QTest::newRow("sorted as Wine sorts")
            << k + "\"zeta\"=\"\"\n\"beta\"=\"\"\n\"Alpha2\"=\"\"\n\"Alpha\"=\"\"\n\"a\"=\"\"\n\"_x\"=\"\"\n@=\"d\"\n"
            << k + "@=\"d\"\n\"_x\"=\"\"\n\"a\"=\"\"\n\"Alpha\"=\"\"\n\"Alpha2\"=\"\"\n\"beta\"=\"\"\n\"zeta\"=\"\"\n";
        QTest::newRow("raw utf-8 and lax spacing") << k + "  \"n\" = \"Caf\xc3\xa9\xe2\x82\xac\"\n"
                                                   << k + "\"n\"=\"Caf\\xe9\\x20ac\"\n";
        QTest::newRow("escape reading: 4 hex digits, 3 octal digits, any other char kept")
            << k + "\"n\"=\"\\xe9a\\1234\\q\"\n"
            << k + "\"n\"=\"\\xe9aS4q\"\n";
        QTest::newRow("other tags") << k + "\"s\"=str:\"x\"\n\"b\"=hex(3):01\n\"d\"=dword:0x2A\n"
                                    << k + "\"b\"=hex:01\n\"d\"=dword:0000002a\n\"s\"=\"x\"\n";
        QTest::newRow("wrong-length dword and unterminated strings go to hex")
            << k + "\"d\"=hex(4):01,02\n\"m\"=hex(7):41,00\n\"s\"=hex(1):41,00,00\n"
            << k + "\"d\"=hex(4):01,02\n\"m\"=hex(7):41,00\n\"s\"=hex(1):41,00,00\n";
        QTest::newRow("key holding only sub-keys is implied")
            << QByteArray("\n[A] 1\n\n[A\\\\B] 1\n\"v\"=\"\"\n") << QByteArray("\n[A\\\\B] 1\n\"v\"=\"\"\n");
        QTest::newRow("comments, blanks and unknown options dropped")
            << QByteArray("\n[A] 1\n; note\n\n#flags=3\n\"x\"=\"\"\n") << k + "\"x\"=\"\"\n";
    }
    void normalises()
    {
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, expected);
        QCOMPARE(parsed(HiveHeader() + body).serialize(), HiveHeader() + expected);
    }

    // Text Wine would not load whole is refused, naming the line.
    void refuses_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<qsizetype>("line");
        QTest::newRow("no header") << QByteArray("REGEDIT4\n\n[A]\n") << qsizetype(1);
        QTest::newRow("value before any key") << HiveHeader() + "\"x\"=\"1\"\n" << qsizetype(5);
        QTest::newRow("unknown arch") << QByteArray("WINE REGISTRY Version 2\n#arch=win16\n") << qsizetype(2);
        QTest::newRow("bad hex") << HiveHeader() + "\n[A]\n\"x\"=hex:0g\n" << qsizetype(7);
        QTest::newRow("continuation at end") << HiveHeader() + "\n[A]\n\"x\"=hex:00,\\\n" << qsizetype(7);
        QTest::newRow("unterminated section") << HiveHeader() + "\n[A\n" << qsizetype(6);
    }
    void refuses()
    {
        QFETCH(QByteArray, text);
        QFETCH(qsizetype, line);
        hive::ParseError error;
        QVERIFY(!hive::HiveFile::parse(text, &error));
        QCOMPARE(error.line, line);
    }

    // A new file is a 32-bit prefix's: the games' key without Wow6432Node.
    void newFileHasHeaderAndOwnerOnlyMode()
    {
        TempHive hive;
        RegistryStore store(hive.path());
        QVERIFY(!store.value("SOFTWARE\\X", "a") && !store.deleteValue("SOFTWARE\\X", "a"));
        QVERIFY(!QFile::exists(hive.path()));
        QVERIFY(store.setValue("SOFTWARE\\Red Storm Entertainment", "a", REG_DWORD, dword(42)));
        const QByteArray text = hive.read();
        QVERIFY2(text.startsWith(HiveHeader(false) + "\n[SOFTWARE\\\\Red Storm Entertainment] "), text);
        const auto owner = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser;
        QCOMPARE(QFile::permissions(hive.path()), owner);

        // An existing file keeps the mode its owner gave it.
        QVERIFY(QFile::setPermissions(hive.path(), owner | QFile::ReadGroup));
        QVERIFY(store.setValue("SOFTWARE\\Red Storm Entertainment", "b", REG_DWORD, dword(1)));
        QCOMPARE(QFile::permissions(hive.path()), owner | QFile::ReadGroup);
    }

    // In a 64-bit prefix the games' keys are under Wow6432Node, other branches are not
    // redirected, and a write changes its own key only: every other line stays as it was.
    void wineFileWrites()
    {
        TempHive hive(kWineSystemReg);
        RegistryStore store(hive.path());
        QCOMPARE(store.value("SOFTWARE\\Red Storm Entertainment\\RogueSpear", "multiplayermanualjoinport")->data,
                 QByteArray("2\0003\0004\0006\0\0\0", 10));
        QVERIFY(store.keyExists("SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment"));
        QVERIFY(
            store.setValue("SOFTWARE\\Red Storm Entertainment\\Ravenshield", "Port", REG_SZ, QByteArray("1\0\0\0", 4)));
        const QByteArray section = "[Software\\\\Wow6432Node\\\\Red Storm Entertainment\\\\Ravenshield] ";
        QVERIFY2(hive.read().contains(section), hive.read());
        QCOMPARE(store.subKeyNames("software\\red storm entertainment"), (QStringList{"Ravenshield", "RogueSpear"}));
        // Taking the key out again gives back the file as it was, byte for byte.
        QVERIFY(store.deleteKey("SOFTWARE\\Red Storm Entertainment\\Ravenshield"));
        QCOMPARE(hive.read(), kWineSystemReg);
    }

    // The file replaced or edited by someone else (here another store, with a cache of its own)
    // is read again, even within the same second.
    void changesByOthersAreSeen()
    {
        TempHive hive;
        RegistryStore store(hive.path()), other(hive.path());
        for (quint32 i = 0; i < 5; ++i) {
            QVERIFY(other.setValue("SOFTWARE\\Shared", "v", REG_DWORD, dword(i)));
            QCOMPARE(store.value("SOFTWARE\\Shared", "v")->data, dword(i));
        }
        // Edited in place with the same length.
        hive.write(hive.read().replace("dword:00000004", "dword:00000007"));
        QCOMPARE(store.value("SOFTWARE\\Shared", "v")->data, dword(7));
        QFile::remove(hive.path());
        QVERIFY(!store.keyExists("SOFTWARE\\Shared"));
    }

    // Processes writing at once all keep all their writes.
    void concurrentWritersKeepAll()
    {
        TempHive hive(kWineSystemReg);
        const QStringList prefixes{"A", "B", "C"};
        QProcess children[3];
        for (int c = 0; c < 3; ++c)
            children[c].start(QCoreApplication::applicationFilePath(),
                              {"--child", "write", hive.path(), prefixes[c], "60"});
        for (QProcess &child : children)
            QVERIFY(child.waitForFinished(240000) && child.exitCode() == 0);
        RegistryStore store(hive.path());
        for (const QString &prefix : prefixes) {
            for (int i = 0; i < 60; ++i)
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
        QVERIFY(WriteTestFile(hive.path() + ".lock",
                              QByteArray::number(pid) + "\nskirmdeck\n" + QSysInfo::machineHostName().toUtf8() + "\n"));
        RegistryStore store(hive.path());
        QVERIFY(store.setValue("SOFTWARE\\X", "v", REG_DWORD, dword(1)));
    }

    // Never overwritten; reads find nothing; one warning naming file and line (what the parser
    // refuses is the table above).
    void corruptFileIsLeftAlone()
    {
        const QByteArray text = HiveHeader(false) + "\n[SOFTWARE\\\\X] 1\n\"v\"=dword:1\n\"w\"=hex:zz\n";
        TempHive hive(text);
        const ProgramRun run = RunProgram(QCoreApplication::applicationFilePath(), {"--child", "corrupt", hive.path()});
        QCOMPARE(run.status, 0);
        QCOMPARE(hive.read(), text);
        QCOMPARE(run.err.count('\n'), 1);
        QVERIFY2(run.err.contains(hive.path()) && run.err.contains("line 8"), qPrintable(run.err));
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
        bool ok = !store.isReadable() && !store.value("SOFTWARE\\X", "v") && !store.keyExists("SOFTWARE\\X") &&
                  store.subKeyNames("SOFTWARE").isEmpty() && store.values("SOFTWARE\\X").isEmpty();
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
