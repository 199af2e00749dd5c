#pragma once

#include "core/state/UrlOpen.h"
#include "gui/common/PictureButton.h"

#include <QDialog>
#include <QUrl>

class QLabel;

// The program's web page.
QUrl HomePageUrl();

// The About window: the about picture, which opens the program's web page when clicked, and
// below it the settings file in use.
class frmAbout : public QDialog {
    Q_OBJECT

public:
    explicit frmAbout(QWidget *parent = nullptr);

    PictureButton *ImgAbout;
    // Which settings file is in use, and a change a running Wine did not get.
    QLabel *lblSettings;

    void Form_Load();
    void ImgAbout_Click();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
