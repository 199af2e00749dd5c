#pragma once

#include <QLabel>

// A picture that acts as a button. It looks like the picture alone; Tab reaches it, and only
// then does it draw the style's focus frame; Space, Enter and Return press it; assistive
// technology sees a button with its accessible name and a press action. Mouse handling stays
// with the window, which knows what its picture does on press and release.
class PictureButton : public QLabel {
    Q_OBJECT

public:
    explicit PictureButton(QWidget *parent);

    // What a key or the accessible press action does.
    void press();

signals:
    void pressed();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_keyboardFocus = false;
};
