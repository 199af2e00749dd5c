#include "core/settings/HiveFile.h"
#include "tests/support/HiveSamples.h"
#include "tests/support/ProgramState.h"
#include "tests/support/TestSupport.h"

#include <QRandomGenerator>
#include <QtTest>

namespace {

QByteArray utf16z(const QString &text)
{
    return QByteArray(reinterpret_cast<const char *>(text.utf16()), (text.size() + 1) * 2);
}

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

} // namespace

class TestHiveFormat : public IsolatedTest {
    Q_OBJECT

private slots:
    // A file in Wine's own form comes back byte for byte.
    void wineFileRoundTrips() { QCOMPARE(parsed(kWineSystemReg).serialize(), kWineSystemReg); }

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
                    path << randomName(random, 1);
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
        QVERIFY(file.isWin64());
        const hive::Key *cv = file.find({"software", "MICROSOFT", "windows nt", "CurrentVersion"});
        QCOMPARE(cv->value(u"registeredowner")->data,
                 utf16z(QStringLiteral("Caf\u00e9 \u00e9a \u20ac\u00e9 ") + QString::fromUcs4(U"\U0001F600")));
        QCOMPARE(cv->value(u"CurrentMajorVersionNumber")->data, QByteArray("\x0a\0\0\0", 4));
        QCOMPARE(cv->value(u"DigitalProductId")->data.size(), 8 + 23 + 30 + 16);
        const hive::Key *esc = file.find({"Software", "Vendor [Test]", "Escapes"});
        QCOMPARE(esc->value(u"Ctl")->data, utf16z(QString::fromUtf16(u"\x01\x02"
                                                                     "7\a\b\t\n\v\f\r\x1b\x1f"
                                                                     "7")));
        QCOMPARE(esc->value(u"List")->data, utf16z(QString::fromUtf16(u"one\0two\0", 8)));
        QCOMPARE(esc->value(u"Path")->data, utf16z(QStringLiteral("%SystemRoot%\\system32;\"quoted\"")));
        const hive::Key *clsid = file.find({"Software", "Classes", "CLSID", "{00000000-0000-0000-0000-000000000000}"});
        QVERIFY(clsid && clsid->className() == QStringLiteral("Example \"Class\""));
        QCOMPARE(*clsid->stamp().fileTime, 0x1db5be01a986fd2ull);
        QVERIFY(file.find({"Software", "Wow6432Node", "Classes"})->isLink());
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
        QTest::newRow("one long hex line is wrapped")
            << k + "\"b\"=hex:" + QByteArray("00,").repeated(29) + "00\n"
            << k + "\"b\"=hex:" + QByteArray("00,").repeated(23) + "\\\n  " + QByteArray("00,").repeated(6) + "00\n";
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
};

QTEST_GUILESS_MAIN(TestHiveFormat)
#include "test_hive_format.moc"
