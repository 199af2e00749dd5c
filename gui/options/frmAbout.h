#pragma once

#include <QDialog>
#include <QUrl>

#include <functional>

class QLabel;

// Opens a web page in the user's browser; false when nothing could open it.
using UrlOpener = std::function<bool(const QUrl &)>;

// Installs how web pages are opened and returns the previous opener. The program uses the
// desktop's default handler; tests put a recorder here so no browser starts. An empty
// opener restores the desktop's.
UrlOpener setUrlOpener(UrlOpener opener);

// The program's web page.
QUrl HomePageUrl();

// The About window: the about picture, which opens the program's web page when clicked, and
// below it the settings file in use.
class frmAbout : public QDialog {
    Q_OBJECT

public:
    explicit frmAbout(QWidget *parent = nullptr);

    QLabel *ImgAbout;
    // Which settings file is in use, and a change a running Wine did not get.
    QLabel *lblSettings;

    void Form_Load();
    void ImgAbout_Click();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
