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

#include <memory>

namespace {

// Stands in for the server list's side of the time-out.
class FakeServerListLink : public ServerListLink {
public:
    FakeServerListLink() { gServerList = this; }
    ~FakeServerListLink() override { gServerList = nullptr; }
    Q_DISABLE_COPY(FakeServerListLink)
    void SetSocketTimerInterval(int milliseconds) override { intervals.append(milliseconds); }
    void DisableGameItem(const QString &) override {}
    QList<int> intervals;
};

} // namespace

class TestTimer : public QObject {
    Q_OBJECT

    std::unique_ptr<UserLocale> m_user;
    QString m_point; // the decimal point the user's locale shows

private slots:
    // Every test in the C locale and in a comma-decimal one.
    void initTestCase_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::newRow("C") << "C";
        QTest::newRow("de_DE") << "de_DE.UTF-8";
    }
    void init()
    {
        QFETCH_GLOBAL(QString, locale);
        ReleaseRegUtil();
        m_user = std::make_unique<UserLocale>(locale);
        REQUIRE_LOCALE(*m_user);
        m_point = locale == "C" ? "." : ",";
    }
    void cleanup() { m_user.reset(); }

    // Each stored time shows at its position; moved two steps from the first position, Cancel
    // stores and applies nothing (the last time: Change stores and applies 0.6 seconds).
    void positionsChangeAndCancel()
    {
        TempHive hive;
        ScriptedMessageBox boxes;
        FakeMainLink main;
        FakeServerListLink list;
        // A position stands for a fifth of a second, shown in seconds and in milliseconds.
        const struct {
            const char *stored;
            int position;
            bool change;
        } cases[] = {{"1400", 7, false}, {"500", 2, false}, {"50", 1, false}, {"99999", 20, false}, {"soon", 5, true}};
        for (const auto &c : cases) {
            gSocketTimeOut = c.stored;
            frmTimer dialog;
            dialog.show();
            QCOMPARE(dialog.hscrollTime->value(), c.position);
            QCOMPARE(dialog.txtSeconds->text(), QString::number(c.position / 5.0).replace(".", m_point));
            QCOMPARE(dialog.txtMilliSec->text(), QString::number(c.position * 200));
            dialog.hscrollTime->setFocus();
            for (Qt::Key key : {Qt::Key_Home, Qt::Key_Right, Qt::Key_Right})
                QTest::keyClick(dialog.hscrollTime, key);
            QCOMPARE(dialog.txtSeconds->text(), "0" + m_point + "6");
            QCOMPARE(dialog.txtMilliSec->text(), "600");
            QTest::mouseClick(c.change ? dialog.cmdChange : dialog.cmdExit, Qt::LeftButton);
            QVERIFY(!dialog.isVisible());
            QCOMPARE(CRegUtil().GetSettingString(HKEY_LOCAL_MACHINE, kRedStormKey, "SocketTimeOut", "<missing>"),
                     c.change ? "600" : "<missing>");
            QCOMPARE(gSocketTimeOut, c.change ? "600" : c.stored);
            QCOMPARE(main.timerIntervals, c.change ? QList<int>{600} : QList<int>{});
            QCOMPARE(list.intervals, main.timerIntervals);
        }
        QVERIFY(boxes.shown().isEmpty());
    }
};

QTEST_MAIN(TestTimer)
#include "test_timer.moc"
