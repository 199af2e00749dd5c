#include "gui/options/frmAbout.h"
#include "tests/support/ScriptedMessageBox.h"
#include "tests/support/TestSupport.h"
#include "gui/common/UiSupport.h"

#include <QDesktopServices>
#include <QLabel>
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
    // The window names the settings file in use and the rule that chose it; without the
    // compiled-in pictures it still opens, empty, after the message. The program's own opener hands
    // the page to the desktop's URL handling, where a handler registered for the page's scheme
    // stands in for the browser; an opener that fails is reported.
    void showsSettingsFileAndOpensTheHomePage()
    {
        TempHive hive;
        ScriptedMessageBox messages;
        BrowserStandIn browser;
        const QString scheme = HomePageUrl().scheme();
        QDesktopServices::setUrlHandler(scheme, &browser, "open");
        Q_CLEANUP_RESOURCE(skirmdeck);
        frmAbout about;
        Q_INIT_RESOURCE(skirmdeck);
        QCOMPARE(about.lblSettings->text(), "Settings file: " + hive.path() + " (from SKIRMDECK_REGISTRY)");
        const QStringList missing{"Error loading about form 326 Resource with identifier '105' not found"};
        QCOMPARE(messages.texts(), missing);
        QVERIFY(about.ImgAbout->pixmap().isNull());

        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        // Only a left click on the picture counts, and each one opens the page; so does Space.
        QTest::mouseClick(about.ImgAbout, Qt::RightButton);
        QTest::mouseClick(about.ImgAbout, Qt::LeftButton);
        QTest::keyClick(about.ImgAbout, Qt::Key_Space);
        QDesktopServices::unsetUrlHandler(scheme);
        QCOMPARE(browser.opened, QList<QUrl>(2, QUrl(SKIRMDECK_HOMEPAGE)));
        QCOMPARE(messages.texts(), missing);

        const UrlOpener previous = setUrlOpener([](const QUrl &) { return false; });
        QTest::mouseClick(about.ImgAbout, Qt::LeftButton);
        setUrlOpener(previous);
        QCOMPARE(messages.texts(),
                 missing + QStringList{"Error opening URL 5 No program could open " SKIRMDECK_HOMEPAGE});
        QVERIFY(about.isVisible());
    }
};

QTEST_MAIN(TestAbout)
#include "test_about.moc"
