#include "options/frmAbout.h"
#include "settings/MsgBox.h"
#include "settings/UiSupport.h"

#include <QApplication>
#include <QDesktopServices>
#include <QLabel>
#include <QList>
#include <QPixmap>
#include <QTest>

namespace {

// Records every web page it is asked to open; answers with a preset result.
class RecordingOpener {
public:
    explicit RecordingOpener(bool result)
        : m_previous(setUrlOpener([this, result](const QUrl &url) {
            opened.append(url);
            return result;
        }))
    {
    }
    ~RecordingOpener() { setUrlOpener(m_previous); }
    RecordingOpener(const RecordingOpener &) = delete;
    RecordingOpener &operator=(const RecordingOpener &) = delete;

    QList<QUrl> opened;

private:
    UrlOpener m_previous;
};

} // namespace

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
    void resourcesLoadWithTheirSizes_data();
    void resourcesLoadWithTheirSizes();
    void pressedButtonLooksPushedIn();
    void aboutWindowShowsThePicture();
    void missingPictureIsReported();
    void clicksOpenTheHomePage();
    void failedOpenIsReported();
    void programOpensThroughTheDesktop();
};

void TestAbout::resourcesLoadWithTheirSizes_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("opaque");

    QTest::newRow("icon") << ":/skirmdeck/icon.png" << QSize(64, 64) << false;
    QTest::newRow("green light") << ":/skirmdeck/status_green.png" << QSize(16, 18) << false;
    QTest::newRow("red light") << ":/skirmdeck/status_red.png" << QSize(16, 18) << false;
    QTest::newRow("server list pressed") << ":/skirmdeck/serverlist_pressed.png" << QSize(78, 64) << true;
    QTest::newRow("server list") << ":/skirmdeck/serverlist.png" << QSize(78, 64) << true;
    QTest::newRow("about") << ":/skirmdeck/about.png" << QSize(320, 240) << true;
    // 2100 by 1200 twips.
    QTest::newRow("logo") << ":/skirmdeck/logo.png" << QSize(Twips(2100), Twips(1200)) << false;
}

void TestAbout::resourcesLoadWithTheirSizes()
{
    QFETCH(QString, path);
    QFETCH(QSize, size);
    QFETCH(bool, opaque);

    const QImage image(path);
    QVERIFY2(!image.isNull(), qPrintable(path));
    QCOMPARE(image.size(), size);
    // Bitmaps stand for the window system's 24-bit pictures: no transparency.
    if (opaque)
        QVERIFY(!image.hasAlphaChannel());
    // Something is drawn: not one flat colour.
    const QRgb first = image.pixel(0, 0);
    bool varied = false;
    for (int y = 0; y < image.height() && !varied; ++y)
        for (int x = 0; x < image.width() && !varied; ++x)
            varied = image.pixel(x, y) != first;
    QVERIFY(varied);
}

// Normal: light top-left edge, dark bottom-right. Pressed: the other way round.
void TestAbout::pressedButtonLooksPushedIn()
{
    const QImage normal(QStringLiteral(":/skirmdeck/serverlist.png"));
    const QImage pressed(QStringLiteral(":/skirmdeck/serverlist_pressed.png"));
    const QPoint topLeft(0, 0);
    const QPoint bottomRight(normal.width() - 1, normal.height() - 1);

    QVERIFY(qGray(normal.pixel(topLeft)) > qGray(normal.pixel(bottomRight)));
    QVERIFY(qGray(pressed.pixel(topLeft)) < qGray(pressed.pixel(bottomRight)));
}

void TestAbout::aboutWindowShowsThePicture()
{
    ScriptedMessageBox messages;
    frmAbout about;
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));

    QCOMPARE(about.windowTitle(), QStringLiteral("About the Skirmdeck"));
    QVERIFY(about.isModal());
    // The program's icon, from the compiled-in pictures.
    QVERIFY(!about.windowIcon().availableSizes().isEmpty());
    QCOMPARE(about.ImgAbout->objectName(), QStringLiteral("ImgAbout"));
    QCOMPARE(about.ImgAbout->pixmap().size(), QSize(320, 240));
    QCOMPARE(about.ImgAbout->size(), QSize(320, 240));
    // The whole picture is visible.
    QVERIFY(about.rect().contains(about.ImgAbout->geometry()));
    QVERIFY(messages.shown().isEmpty());
}

// Without the compiled-in pictures the window still opens, empty, after the message.
void TestAbout::missingPictureIsReported()
{
    ScriptedMessageBox messages;
    Q_CLEANUP_RESOURCE(skirmdeck);
    frmAbout about;
    Q_INIT_RESOURCE(skirmdeck);

    QCOMPARE(messages.texts(), QStringList{"Error loading about form 326 Resource with identifier '105' not found"});
    QVERIFY(about.ImgAbout->pixmap().isNull());
    about.show();
    QVERIFY(about.isVisible());
}

void TestAbout::clicksOpenTheHomePage()
{
    ScriptedMessageBox messages;
    RecordingOpener opener(true);
    frmAbout about;
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));

    // Only a left click on the picture counts.
    QTest::mouseClick(about.ImgAbout, Qt::RightButton);
    QVERIFY(opener.opened.isEmpty());

    QTest::mouseClick(about.ImgAbout, Qt::LeftButton);
    QTest::mouseClick(about.ImgAbout, Qt::LeftButton, {}, QPoint(5, 230));

    const QUrl home(QStringLiteral(SKIRMDECK_HOMEPAGE));
    QVERIFY(home.isValid());
    QCOMPARE(opener.opened, (QList<QUrl>{home, home}));
    QVERIFY(about.isVisible());
    QVERIFY(messages.shown().isEmpty());
}

void TestAbout::failedOpenIsReported()
{
    ScriptedMessageBox messages;
    RecordingOpener opener(false);
    frmAbout about;
    about.show();

    QTest::mouseClick(about.ImgAbout, Qt::LeftButton);

    QCOMPARE(opener.opened.size(), 1);
    QCOMPARE(messages.shown().size(), 1);
    const ShownMessage &shown = messages.shown().first();
    QCOMPARE(shown.text, QStringLiteral("Error opening URL 5 No program could open " SKIRMDECK_HOMEPAGE));
    QCOMPARE(shown.title, QStringLiteral("Skirmdeck"));
    QCOMPARE(shown.buttons, MsgButtons::OK);
    QCOMPARE(shown.icon, MsgIcon::None);
    QVERIFY(about.isVisible());
}

// The program's own opener hands the page to the desktop's URL handling; a handler
// registered for the page's scheme stands in for the browser.
void TestAbout::programOpensThroughTheDesktop()
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

QTEST_MAIN(TestAbout)
#include "test_about.moc"
