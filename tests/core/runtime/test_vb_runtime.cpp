#include "core/runtime/CErrorUtil.h"
#include "core/runtime/ErrorTrap.h"
#include "tests/support/ScriptedMessageBox.h"
#include "core/runtime/VbConv.h"
#include "tests/support/ProgramState.h"
#include "tests/support/UserLocale.h"

#include <QtTest>

namespace {

// "Fn text" -> the result, or "error N".
QString Convert(const QString &call)
{
    const QString fn = call.section(' ', 0, 0), arg = call.mid(fn.size() + 1);
    try {
        if (fn == "CBool")
            return vb::CBool(arg) ? "true" : "false";
        if (fn == "CDbl")
            return vb::CStr(vb::CDbl(arg));
        if (fn == "CStrLocal")
            return vb::CStrLocal(vb::CDbl(arg));
        if (fn == "CDblLocal")
            return vb::CStr(vb::CDblLocal(arg));
        return QString::number(fn == "CLng" ? vb::CLng(arg) : vb::CInt(arg));
    } catch (const RuntimeError &e) {
        return QString("error %1").arg(e.number());
    }
}

} // namespace

// The classic run-time's conversions and the error-reporting layouts, from the reference tables.
class TestVbRuntime : public IsolatedTest {
    Q_OBJECT

private slots:
    // In a locale, or in each ("") when the result must not depend on it: "Fn text" -> the
    // result, or "error N".
    void conversions_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("call");
        QTest::addColumn<QString>("expected");
        const std::array<const char *, 3> rows[] = {
            {"", "CBool fALSE", "false"},
            {"", "CBool &H0", "false"},
            {"", "CBool #TRUE#", "true"},
            {"", "CBool 0.1", "true"},
            {"", "CBool ", "error 13"},
            {"", "CBool Yes", "error 13"},
            {"", "CBool #False#", "error 13"},
            {"", "CBool  True ", "error 13"},
            {"", "CDbl  1.5 ", "1.5"},
            {"", "CDbl 1D3", "1000"},
            {"", "CDbl -.5", "-0.5"},
            {"", "CDbl 5-", "-5"},
            {"", "CDbl (5)", "-5"},
            {"", "CDbl 12abc", "error 13"},
            {"", "CDbl 1E-400", "0"},
            {"", "CDbl 0.0001E400", "error 6"},
            // The text of a double: 15 significant digits, the exponent form from 1E+15 and below 1E-4.
            {"", "CDbl 1.6666666666666667", "1.66666666666667"},
            {"", "CDbl 1E14", "100000000000000"},
            {"", "CDbl 1E15", "1E+15"},
            {"", "CDbl 0.0001", "0.0001"},
            {"", "CDbl 0.00001", "1E-05"},
            {"", "CInt 1,000", "1000"},
            {"", "CInt 1726 56th Ave", "error 13"},
            {"", "CLng 2147483647.5", "error 6"},
            {"", "CInt 2.5", "2"},
            {"", "CInt 3.5", "4"},
            {"", "CInt 32767.5", "error 6"},
            {"", "CInt -32768", "-32768"},
            // What a player reads and types: the locale's separator; in a comma locale a point too.
            {"C", "CStrLocal 1.4", "1.4"},
            {"C", "CDblLocal 2,5", "25"},
            {"de_DE.UTF-8", "CStrLocal 1.4", "1,4"},
            {"de_DE.UTF-8", "CStrLocal 1E-05", "1E-05"},
            {"de_DE.UTF-8", "CDblLocal  1,66666666666667 ", "1.66666666666667"},
            {"de_DE.UTF-8", "CDblLocal 2.5", "2.5"},
            {"de_DE.UTF-8", "CDblLocal 1.234,5", "error 13"},
            {"de_DE.UTF-8", "CDblLocal ", "error 13"},
        };
        for (const auto &[locale, call, expected] : rows)
            QTest::addRow("%s %s", locale, call) << QString(locale) << QString(call) << QString(expected);
    }

    // What the program stores and computes with is the same in a comma-decimal locale.
    void conversions()
    {
        QFETCH(QString, locale);
        QFETCH(QString, call);
        QFETCH(QString, expected);
        for (const QString &name : locale.isEmpty() ? QStringList{"C", "de_DE.UTF-8"} : QStringList{locale}) {
            UserLocale user(name);
            REQUIRE_LOCALE(user);
            QCOMPARE(Convert(call), expected);
        }
    }

    void trimAndSplit()
    {
        QCOMPARE(vb::Trim(" \t a \u00a0 "), "\t a \u00a0");
        QCOMPARE(vb::Split("", ","), QStringList{});
        QCOMPARE(vb::Split(",a,,b", ","), (QStringList{"", "a", "", "b"}));
        QCOMPARE(vb::Split("abc", ""), QStringList{"abc"});
        QCOMPARE(vb::Split("a b"), (QStringList{"a", "b"}));
    }

    // The error-reporting layouts of the windows are their own tests'; here the shared ones, and
    // what every handler does: running out of memory is error 7, and the box has an OK button,
    // no icon and the program's title.
    void errorReports()
    {
        const CErrorUtil util;
        QVERIFY(util.ErrSourceExists("[CRegUtil.GetSettingString]") && util.ErrSourceExists("x[y"));
        QVERIFY(!util.ErrSourceExists("") && !util.ErrSourceExists("CRegUtil]"));
        // An object error (vbObjectError + n) is given back as n; the base itself and the rest are run-time errors.
        int32_t n = -2147221503;
        QVERIFY(!util.IsRuntimeError(n) && n == 1);
        for (const int32_t same : {-2147221504, -2147221504 + 65535, 13}) {
            n = same;
            QVERIFY(util.IsRuntimeError(n) && n == same);
        }

        ScriptedMessageBox boxes;
        const RuntimeError mismatch(13, QString(), "[CRegUtil.GetSettingLong]");
        util.DisplayErrorMessage(mismatch, "Title", "   ");
        util.DisplayErrorMessage(mismatch, "Title", "Could not read");
        util.DisplayErrorMessage(RuntimeError(-2147221504 + 7, "Own text", "src"), "T2", "Friendly");
        QVERIFY(Trap("Error in Nothing ", ErrLayout::NumberFirst, [] {}));
        QVERIFY(!TrapWith([](const RuntimeError &e) { return "Error Number " + QString::number(e.number()); },
                          [] { throw std::bad_alloc(); }));
        QCOMPARE(
            boxes.texts(),
            (QStringList{"Error number 13 - Type mismatch in [CRegUtil.GetSettingLong]",
                         "Could not read\r\n\r\nDetails: Error number 13 - Type mismatch in [CRegUtil.GetSettingLong]",
                         "Own text", "Error Number 7"}));
        QCOMPARE(boxes.shown()[2].title + ' ' + boxes.shown()[3].title, "T2 Skirmdeck");
        for (const ShownMessage &box : boxes.shown())
            QVERIFY(box.buttons == MsgButtons::OK &&
                    box.icon == (box.title == "Skirmdeck" ? MsgIcon::None : MsgIcon::Information));
    }
};

QTEST_GUILESS_MAIN(TestVbRuntime)
#include "test_vb_runtime.moc"
