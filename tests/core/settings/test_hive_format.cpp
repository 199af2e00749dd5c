#include "core/settings/HiveFile.h"
#include "tests/support/TestSupport.h"
#include "tests/support/HiveSamples.h"
#include "tests/support/ProgramState.h"

#include <QtTest>

namespace {

QByteArray utf16z(const QString &text)
{
    QByteArray bytes;
    for (QChar c : text + QChar(0)) {
        bytes.append(static_cast<char>(c.unicode() & 0xff));
        bytes.append(static_cast<char>(c.unicode() >> 8));
    }
    return bytes;
}

hive::HiveFile parsed(const QByteArray &text)
{
    hive::ParseError error;
    auto file = hive::HiveFile::parse(text, &error);
    if (!file)
        qFatal("parse failed at line %lld: %s", static_cast<long long>(error.line), qPrintable(error.message));
    return std::move(*file);
}

} // namespace

class TestHiveFormat : public IsolatedTest {
    Q_OBJECT

private slots:
    // A file in Wine's own form comes back byte for byte.
    void wineFileRoundTrips() { QCOMPARE(parsed(kWineSystemReg).serialize(), kWineSystemReg); }

    // What the escapes and value forms of that file mean.
    void valuesDecode()
    {
        const hive::HiveFile file = parsed(kWineSystemReg);
        QVERIFY(file.isWin64());
        const hive::Key *cv = file.find({"software", "MICROSOFT", "windows nt", "CurrentVersion"});
        QVERIFY(cv);
        QCOMPARE(cv->value(u"registeredowner")->data,
                 utf16z(QStringLiteral("Caf\u00e9 \u00e9a \u20ac\u00e9 ") + QString::fromUcs4(U"\U0001F600")));
        QCOMPARE(cv->value(u"CurrentMajorVersionNumber")->type, 4u);
        QCOMPARE(cv->value(u"CurrentMajorVersionNumber")->data, QByteArray("\x0a\0\0\0", 4));
        QCOMPARE(cv->value(u"InstallTime")->type, 11u);
        QCOMPARE(cv->value(u"DigitalProductId")->data.size(), 8 + 23 + 30 + 16);
        QCOMPARE(cv->value(u"CSDVersion")->data, QByteArray(2, '\0'));

        const hive::Key *esc = file.find({"Software", "Vendor [Test]", "Escapes"});
        QVERIFY(esc);
        QCOMPARE(esc->value(u"Ctl")->data, utf16z(QString::fromUtf16(u"\x01\x02"
                                                                     "7\a\b\t\n\v\f\r\x1b\x1f"
                                                                     "7")));
        QCOMPARE(esc->value(u"Oct")->data, utf16z(QString::fromUtf16(u"a\x00"
                                                                     "1",
                                                                     3)));
        QCOMPARE(esc->value(u"List")->type, 7u);
        QCOMPARE(esc->value(u"List")->data, utf16z(QString::fromUtf16(u"one\0two\0", 8)));
        QCOMPARE(esc->value(u"Odd")->type, 2u);
        QCOMPARE(esc->value(u"Odd")->data, QByteArray("A\0B\0", 4));
        QCOMPARE(esc->value(u"Zero")->type, 1u);
        QVERIFY(esc->value(u"Zero")->data.isEmpty());
        QCOMPARE(esc->value(u"Path")->data, utf16z(QStringLiteral("%SystemRoot%\\system32;\"quoted\"")));

        const hive::Key *clsid = file.find({"Software", "Classes", "CLSID", "{00000000-0000-0000-0000-000000000000}"});
        QVERIFY(clsid && clsid->className() == QStringLiteral("Example \"Class\""));
        QCOMPARE(*clsid->stamp().seconds, 1735689601u);
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
