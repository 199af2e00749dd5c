#include "gui/options/frmAbout.h"

#include "core/runtime/ErrorTrap.h"
#include "core/settings/SettingsLocation.h"
#include "core/settings/WineHandoff.h"
#include "core/runtime/RuntimeError.h"
#include "gui/common/UiSupport.h"

#include <QDesktopServices>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>

#include <utility>

namespace {

// The run-time's number for a picture resource that cannot be found.
constexpr int32_t kResourceNotFound = 326;

// Room below the picture for the settings line.
constexpr int kSettingsHeight = 60;

QString SettingsText()
{
    const QString failure = winehandoff::LastFailure();
    return QStringLiteral("Settings file: ") + settingsfile::describe(settingsfile::current()) +
           (failure.isEmpty() ? QString() : QLatin1Char('\n') + failure);
}

const QString kAboutPicture = QStringLiteral(":/skirmdeck/about.png");

bool OpenWithDesktop(const QUrl &url) { return QDesktopServices::openUrl(url); }

UrlOpener &CurrentOpener()
{
    static UrlOpener opener = OpenWithDesktop;
    return opener;
}

} // namespace

UrlOpener setUrlOpener(UrlOpener opener)
{
    UrlOpener previous = CurrentOpener();
    CurrentOpener() = opener ? std::move(opener) : UrlOpener(OpenWithDesktop);
    return previous;
}

QUrl HomePageUrl() { return QUrl(QStringLiteral(SKIRMDECK_HOMEPAGE)); }

frmAbout::frmAbout(QWidget *parent) : QDialog(parent), ImgAbout(new QLabel(this)), lblSettings(new QLabel(this))
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About the Skirmdeck"));
    setModal(true);
    setFixedSize(320, 240 + kSettingsHeight);

    ImgAbout->setObjectName(QStringLiteral("ImgAbout"));
    ImgAbout->setGeometry(0, 0, 320, 240);
    ImgAbout->setCursor(Qt::PointingHandCursor);
    ImgAbout->installEventFilter(this);
    lblSettings->setObjectName(QStringLiteral("lblSettings"));
    lblSettings->setGeometry(4, 240, 312, kSettingsHeight);
    lblSettings->setWordWrap(true);
    lblSettings->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblSettings->setText(SettingsText());

    Form_Load();
}

void frmAbout::Form_Load()
{
    Trap(QStringLiteral("Error loading about form "), ErrLayout::NumberFirst, [this] {
        SetProgramIcon(this);
        const QPixmap picture(kAboutPicture);
        if (picture.isNull())
            throw RuntimeError(kResourceNotFound, QStringLiteral("Resource with identifier '105' not found"));
        ImgAbout->setPixmap(picture);
    });
}

void frmAbout::ImgAbout_Click()
{
    Trap(QStringLiteral("Error opening URL "), ErrLayout::NumberFirst, [] {
        const QUrl url = HomePageUrl();
        if (!CurrentOpener()(url))
            throw RuntimeError(vberr::InvalidCall, QStringLiteral("No program could open ") + url.toString());
    });
}

// A click is a left-button release over the picture that was pressed on it.
bool frmAbout::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ImgAbout && event->type() == QEvent::MouseButtonRelease) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton && ImgAbout->rect().contains(mouse->position().toPoint())) {
            ImgAbout_Click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
