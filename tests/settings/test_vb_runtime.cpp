#include "settings/CErrorUtil.h"
#include "settings/ErrorTrap.h"
#include "settings/MsgBox.h"
#include "settings/VbConv.h"

#include <QtTest>

#include <functional>

// The classic run-time's conversions and the error-reporting layouts, from the reference tables.
namespace {

// The value a conversion gives, or "error N".
template <class F> QString outcome(F &&convert)
{
    try {
        return convert();
    } catch (const RuntimeError &e) {
        return QStringLiteral("error %1").arg(e.number());
    }
}

} // namespace

class TestVbRuntime : public QObject {
    Q_OBJECT

private slots:
    void cbool_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        const QList<std::pair<const char *, const char *>> rows = {
            {"True", "true"},  {"true", "true"},    {"TRUE", "true"},    {"False", "false"}, {"fALSE", "false"},
            {"1", "true"},     {"-1", "true"},      {"+1", "true"},      {"2", "true"},      {"0", "false"},
            {"0.0", "false"},  {"-0", "false"},     {" 2 ", "true"},     {"&H10", "true"},   {"&H0", "false"},
            {"#TRUE#", "true"}, {"1.5", "true"},    {"0.1", "true"},     {"", "error 13"},   {"Yes", "error 13"},
            {"On", "error 13"}, {"abc", "error 13"}, {"#False#", "error 13"}, {" True ", "error 13"},
            {"Vrai", "error 13"},
        };
        for (const auto &[text, expected] : rows)
            QTest::newRow(text[0] ? text : "(empty)") << QString::fromUtf8(text) << QString::fromUtf8(expected);
    }
    void cbool()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(outcome([&] { return vb::CBool(text) ? QStringLiteral("true") : QStringLiteral("false"); }), expected);
    }

    void numbers_data()
    {
        QTest::addColumn<QString>("call");
        QTest::addColumn<QString>("expected");
        const QList<std::pair<const char *, const char *>> rows = {
            {"CDbl 1.5", "1.5"},         {"CDbl  1.5 ", "1.5"},      {"CDbl 1e3", "1000"},
            {"CDbl 1D3", "1000"},        {"CDbl -.5", "-0.5"},       {"CInt 1,000", "1000"},
            {"CLng &H10", "16"},         {"CDbl ", "error 13"},      {"CDbl 12abc", "error 13"},
            {"CInt 1726 56th Ave", "error 13"}, {"CLng 2147483648", "error 6"}, {"CInt 40000", "error 6"},
            {"CLng 0.5", "0"},           {"CLng -1.5", "-2"},        {"CInt 2.5", "2"},
            {"CInt 3.5", "4"},           {"CInt 0.6", "1"},          {"CInt 2345.5678", "2346"},
            {"CInt 32767.5", "error 6"}, {"CInt -32768", "-32768"},  {"CLng -2147483648", "-2147483648"},
            {"CDbl 5-", "-5"},           {"CDbl (5)", "-5"},
        };
        for (const auto &[call, expected] : rows)
            QTest::newRow(call) << QString::fromUtf8(call) << QString::fromUtf8(expected);
    }
    void numbers()
    {
        QFETCH(QString, call);
        QFETCH(QString, expected);
        const QString fn = call.left(4);
        const QString arg = call.mid(5);
        QCOMPARE(outcome([&] {
                     if (fn == "CDbl")
                         return vb::CStr(vb::CDbl(arg));
                     if (fn == "CLng")
                         return QString::number(vb::CLng(arg));
                     return QString::number(vb::CInt(arg));
                 }),
                 expected);
    }

    // Halves to even for doubles as well, and the range is checked after rounding.
    void roundingFromDoubles()
    {
        const double xs[] = {0.5, 1.5, 2.5, 3.5, -0.5, -1.5, -2.5, 0.6, 2345.5678};
        const int expected[] = {0, 2, 2, 4, 0, -2, -2, 1, 2346};
        for (size_t i = 0; i < std::size(xs); ++i) {
            QCOMPARE(int(vb::CInt(xs[i])), expected[i]);
            QCOMPARE(int(vb::CLng(xs[i])), expected[i]);
        }
        QCOMPARE(outcome([] { return QString::number(vb::CInt(32767.5)); }), QStringLiteral("error 6"));
        QCOMPARE(outcome([] { return QString::number(vb::CLng(2147483647.5)); }), QStringLiteral("error 6"));
    }

    void doubleToText_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("1.4") << 1.4 << "1.4";
        QTest::newRow("100/60") << 100.0 / 60 << "1.66666666666667";
        QTest::newRow("0.2*7") << 0.2 * 7 << "1.4";
        QTest::newRow("0.1+0.2") << 0.1 + 0.2 << "0.3";
        QTest::newRow("1/3") << 1.0 / 3 << "0.333333333333333";
        QTest::newRow("120") << 120.0 << "120";
        QTest::newRow("1E14") << 1e14 << "100000000000000";
        QTest::newRow("1E15") << 1e15 << "1E+15";
        QTest::newRow("1234567890123456") << 1234567890123456.0 << "1.23456789012346E+15";
        QTest::newRow("14111111113353355.3") << 14111111113353355.3 << "1.41111111133534E+16";
        QTest::newRow("0.0001") << 0.0001 << "0.0001";
        QTest::newRow("0.00001") << 0.00001 << "1E-05";
        QTest::newRow("-2.5") << -2.5 << "-2.5";
        QTest::newRow("0") << 0.0 << "0";
    }
    void doubleToText()
    {
        QFETCH(double, value);
        QFETCH(QString, expected);
        QCOMPARE(vb::CStr(value), expected);
    }

    void trimAndSplit()
    {
        QCOMPARE(vb::Trim(" \t a \u00a0 "), QStringLiteral("\t a \u00a0"));
        QCOMPARE(vb::Split("", ","), QStringList{});
        QCOMPARE(vb::Split("abc", ","), QStringList{"abc"});
        QCOMPARE(vb::Split("a,,b", ","), (QStringList{"a", "", "b"}));
        QCOMPARE(vb::Split(",a,", ","), (QStringList{"", "a", ""}));
        QCOMPARE(vb::Split("abc", ""), QStringList{"abc"});
        QCOMPARE(vb::Split("a b"), (QStringList{"a", "b"}));
    }

    void checkBoxes()
    {
        const bool t = true, f = false;
        QCOMPARE(BoolToCheck(t), int16_t(1));
        QCOMPARE(BoolToCheck(f), int16_t(0));
        for (int16_t state : {0, 1, 2, -1})
            QCOMPARE(CheckToBool(state), state == 1);
    }

    void errorUtil()
    {
        const CErrorUtil util;
        QVERIFY(util.ErrSourceExists("[CRegUtil.GetSettingString]"));
        QVERIFY(util.ErrSourceExists("x[y"));
        QVERIFY(!util.ErrSourceExists(""));
        QVERIFY(!util.ErrSourceExists("CRegUtil]"));
        int32_t n = -2147221503;
        QVERIFY(!util.IsRuntimeError(n));
        QCOMPARE(n, 1);
        n = -2147221504;
        QVERIFY(util.IsRuntimeError(n));
        QCOMPARE(n, -2147221504);
        n = -2147221504 + 65535;
        QVERIFY(util.IsRuntimeError(n));
        n = 13;
        QVERIFY(util.IsRuntimeError(n));
        QCOMPARE(n, 13);
    }

    void displayErrorMessage()
    {
        ScriptedMessageBox boxes;
        const CErrorUtil util;
        const RuntimeError mismatch(13, QString(), "[CRegUtil.GetSettingLong]");
        util.DisplayErrorMessage(mismatch, "Title", "   ");
        util.DisplayErrorMessage(mismatch, "Title", "Could not read");
        util.DisplayErrorMessage(RuntimeError(-2147221504 + 7, "Own text", "src"), "T2", "Friendly");
        QCOMPARE(boxes.texts(), (QStringList{
                                    "Error number 13 - Type mismatch in [CRegUtil.GetSettingLong]",
                                    "Could not read\r\n\r\nDetails: Error number 13 - Type mismatch in [CRegUtil.GetSettingLong]",
                                    "Own text"}));
        QCOMPARE(boxes.shown()[0].title, QStringLiteral("Title"));
        QCOMPARE(boxes.shown()[2].title, QStringLiteral("T2"));
        for (const ShownMessage &box : boxes.shown()) {
            QCOMPARE(box.icon, MsgIcon::Information);
            QCOMPARE(box.buttons, MsgButtons::OK);
        }
    }

    // The handlers' single-line layouts: OK button, no icon, the program's title.
    void trapLayouts()
    {
        ScriptedMessageBox boxes;
        bool after = false;
        QVERIFY(!Trap("Error in GetResolution ", ErrLayout::DescriptionFirst, [&] {
            vb::CInt(QStringLiteral("x"));
            after = true;
        }));
        QVERIFY(!after);
        QVERIFY(!Trap("Error in PingServer ", ErrLayout::NumberFirst, [] { throw RuntimeError(13); }));
        QVERIFY(Trap("Error in Nothing ", ErrLayout::NumberFirst, [] {}));
        QVERIFY(!TrapWith([](const RuntimeError &e) { return "Error\nError Number " + QString::number(e.number()); },
                          [] { throw std::bad_alloc(); }));
        QCOMPARE(boxes.texts(), (QStringList{"Error in GetResolution Type mismatch 13", "Error in PingServer 13 Type mismatch",
                                             "Error\nError Number 7"}));
        for (const ShownMessage &box : boxes.shown()) {
            QCOMPARE(box.title, QStringLiteral("Skirmdeck"));
            QCOMPARE(box.icon, MsgIcon::None);
            QCOMPARE(box.buttons, MsgButtons::OK);
        }
    }
};

QTEST_GUILESS_MAIN(TestVbRuntime)
#include "test_vb_runtime.moc"
