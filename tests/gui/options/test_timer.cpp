// The socket time-out dialog: positions, the texts it shows, Change and Cancel, in the C locale
// and in a comma-decimal one, where the seconds show a comma and the milliseconds stay the same.
#include "core/settings/CRegUtil.h"
#include "core/state/AppState.h"
#include "gui/options/frmTimer.h"
#include "tests/support/FakeMainLink.h"
#include "tests/support/ScriptedMessageBox.h"
#include "tests/support/TestSupport.h"
#include "tests/support/UserLocale.h"

#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

namespace {

// Stands in for the server list's side of the time-out.
class FakeServerListLink : public ServerListLink {
public:
    FakeServerListLink() { gServerList = this; }
    ~FakeServerListLink() override { gServerList = nullptr; }
    FakeServerListLink(const FakeServerListLink &) = delete;
    FakeServerListLink &operator=(const FakeServerListLink &) = delete;
    void SetSocketTimerInterval(int milliseconds) override { intervals.append(milliseconds); }
    void DisableGameItem(const QString &) override {}
    QList<int> intervals;
};

QString StoredTimeOut()
{
    return CRegUtil().GetSettingString(HKEY_LOCAL_MACHINE, kRedStormKey, "SocketTimeOut", "<missing>");
}

} // namespace

class TestTimer : public QObject {
    Q_OBJECT

private slots:
    void init() { ReleaseRegUtil(); }

    void positionsAndTexts_data() { Locales(); }
    void positionsAndTexts()
    {
        QFETCH(QString, locale);
        QFETCH(QString, point);
        UserLocale user(locale);
        REQUIRE_LOCALE(user);
        const struct {
            const char *stored;
            int position;
            const char *seconds, *milliseconds;
        } cases[] = {
            {"1000", 5, "1", "1000"}, {"1400", 7, "1.4", "1400"}, {"4000", 20, "4", "4000"},
            {"200", 1, "0.2", "200"}, {"500", 2, "0.4", "400"},   {"1100", 6, "1.2", "1200"},
            {"50", 1, "0.2", "200"},  {"99999", 20, "4", "4000"}, {"soon", 5, "1", "1000"},
        };
        for (const auto &c : cases) {
            gSocketTimeOut = c.stored;
            frmTimer dialog;
            QCOMPARE(dialog.hscrollTime->value(), c.position);
            QCOMPARE(dialog.txtSeconds->text(), QString(c.seconds).replace(".", point));
            QCOMPARE(dialog.txtMilliSec->text(), c.milliseconds);
        }
    }

    void changeAndCancel_data() { Locales(); }
    void changeAndCancel()
    {
        QFETCH(QString, locale);
        QFETCH(QString, point);
        UserLocale user(locale);
        REQUIRE_LOCALE(user);
        TempHive hive;
        ScriptedMessageBox boxes;
        FakeMainLink main;
        FakeServerListLink list;
        gSocketTimeOut = "1000";
        {
            // Cancel after moving the bar stores and applies nothing.
            frmTimer dialog;
            dialog.show();
            dialog.hscrollTime->setFocus();
            QTest::keyClick(dialog.hscrollTime, Qt::Key_Right);
            QTest::keyClick(dialog.hscrollTime, Qt::Key_Right);
            QCOMPARE(dialog.txtSeconds->text(), "1" + point + "4");
            QCOMPARE(dialog.txtMilliSec->text(), "1400");
            QTest::mouseClick(dialog.cmdExit, Qt::LeftButton);
            QVERIFY(!dialog.isVisible());
        }
        QCOMPARE(StoredTimeOut(), "<missing>");
        QCOMPARE(gSocketTimeOut, "1000");
        QVERIFY(main.timerIntervals.isEmpty() && list.intervals.isEmpty());

        // From the first position two steps on: 0.6 seconds.
        frmTimer dialog;
        dialog.show();
        QTest::keyClick(dialog.hscrollTime, Qt::Key_Home);
        QTest::keyClick(dialog.hscrollTime, Qt::Key_Right);
        QTest::keyClick(dialog.hscrollTime, Qt::Key_Right);
        QCOMPARE(dialog.txtSeconds->text(), "0" + point + "6");
        QCOMPARE(dialog.txtMilliSec->text(), "600");
        QTest::mouseClick(dialog.cmdChange, Qt::LeftButton);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(StoredTimeOut(), "600");
        QCOMPARE(gSocketTimeOut, "600");
        QCOMPARE(main.timerIntervals, QList<int>{600});
        QCOMPARE(list.intervals, QList<int>{600});
        QVERIFY(boxes.shown().isEmpty());
    }

private:
    static void Locales()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("point");
        QTest::newRow("C") << "C"
                           << ".";
        QTest::newRow("de_DE") << "de_DE.UTF-8"
                               << ",";
    }
};

QTEST_MAIN(TestTimer)
#include "test_timer.moc"
