#include "gui/options/frmAbout.h"
#include "tests/support/ScriptedMessageBox.h"
#include "tests/support/TestSupport.h"
#include "gui/common/UiSupport.h"

#include <QDesktopServices>
#include <QLabel>
#include <QScopeGuard>
#include <QTest>

// Stands in for the user's browser behind the desktop's URL handling.
class BrowserStandIn : public QObject {
    Q_OBJECT

public:
    QList<QUrl> opened;

public slots:
    void open(const QUrl &url) { opened.append(url); }
};

class TestAbout : public QObject {
    Q_OBJECT

private slots:
    // The window names the settings file in use and the rule that chose it.
    void showsTheSettingsFile()
    {
        TempHive hive;
        frmAbout about;
        QCOMPARE(about.lblSettings->text(), "Settings file: " + hive.path() + " (from SKIRMDECK_REGISTRY)");
    }

    // Without the compiled-in pictures the window still opens, empty, after the message.
    void missingPictureIsReported()
    {
        ScriptedMessageBox messages;
        Q_CLEANUP_RESOURCE(skirmdeck);
        frmAbout about;
        Q_INIT_RESOURCE(skirmdeck);
        QCOMPARE(messages.texts(),
                 QStringList{"Error loading about form 326 Resource with identifier '105' not found"});
        QVERIFY(about.ImgAbout->pixmap().isNull());
    }

    void clicksOpenTheHomePage()
    {
        for (bool opens : {true, false}) {
            ScriptedMessageBox messages;
            QList<QUrl> opened;
            const UrlOpener previous = setUrlOpener([&](const QUrl &url) {
                opened.append(url);
                return opens;
            });
            const auto restore = qScopeGuard([&] { setUrlOpener(previous); });
            frmAbout about;
            about.show();
            QVERIFY(QTest::qWaitForWindowExposed(&about));
            // Only a left click on the picture counts, and each one opens the page; so does Space.
            QTest::mouseClick(about.ImgAbout, Qt::RightButton);
            QVERIFY(opened.isEmpty());
            QTest::mouseClick(about.ImgAbout, Qt::LeftButton, {}, QPoint(5, 230));
            QTest::mouseClick(about.ImgAbout, Qt::LeftButton);
            QTest::keyClick(about.ImgAbout, Qt::Key_Space);

            QCOMPARE(opened, QList<QUrl>(3, QUrl(SKIRMDECK_HOMEPAGE)));
            QVERIFY(about.isVisible());
            const QString failed = "Error opening URL 5 No program could open " SKIRMDECK_HOMEPAGE;
            QCOMPARE(messages.texts(), opens ? QStringList() : QStringList(3, failed));
        }
    }

    // The program's own opener hands the page to the desktop's URL handling; a handler
    // registered for the page's scheme stands in for the browser.
    void programOpensThroughTheDesktop()
    {
        ScriptedMessageBox messages;
        const QString scheme = HomePageUrl().scheme();
        BrowserStandIn browser;
        QDesktopServices::setUrlHandler(scheme, &browser, "open");
        frmAbout about;
        about.ImgAbout_Click();
        QDesktopServices::unsetUrlHandler(scheme);
        QCOMPARE(browser.opened, QList<QUrl>{HomePageUrl()});
        QVERIFY(messages.shown().isEmpty());
    }
};

QTEST_MAIN(TestAbout)
#include "test_about.moc"
