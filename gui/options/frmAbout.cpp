#include "gui/options/frmAbout.h"

#include "core/runtime/ErrorTrap.h"
#include "core/settings/SettingsLocation.h"
#include "core/settings/WineHandoff.h"
#include "core/runtime/RuntimeError.h"
#include "gui/common/UiSupport.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>

namespace {

// The run-time's number for a picture resource that cannot be found.
constexpr int32_t kResourceNotFound = 326;

// Room below the picture for the settings line, in twips.
constexpr int kSettingsHeight = 900;

QString SettingsText()
{
    const QString failure = winehandoff::LastFailure();
    return QStringLiteral("Settings file: ") + settingsfile::describe(settingsfile::current()) +
           (failure.isEmpty() ? QString() : QLatin1Char('\n') + failure);
}

const QString kAboutPicture = QStringLiteral(":/skirmdeck/about.png");

} // namespace

QUrl HomePageUrl() { return QUrl(QStringLiteral(SKIRMDECK_HOMEPAGE)); }

frmAbout::frmAbout(QWidget *parent) : QDialog(parent)
{
    SetClassicFrame(this, QStringLiteral("About the Skirmdeck"), 4800, 3600 + kSettingsHeight);
    // Named after the page it opens, the one thing it does.
    ImgAbout = NewPictureButton(this, {0, 0, 4800, 3600}, HomePageUrl().toString());
    ImgAbout->setCursor(Qt::PointingHandCursor);
    ImgAbout->installEventFilter(this);
    connect(ImgAbout, &PictureButton::pressed, this, &frmAbout::ImgAbout_Click);
    lblSettings = NewLabel(this, QString(), {60, 3600, 4680, kSettingsHeight});
    lblSettings->setObjectName(QStringLiteral("lblSettings"));
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
        if (!OpenUrl(url))
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
