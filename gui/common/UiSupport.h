#pragma once

#include <QFont>
#include <QList>
#include <QRect>
#include <QString>

#include <cstdint>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class PictureButton;
class QPushButton;
class QWidget;

// Every classic window is built with these helpers: a fixed client area and controls placed
// in twips, the classic face, buttons that Enter does not press and lists that keep exactly
// what was typed.

// Window geometry is given in twips: 15 twips to a pixel at 96 dpi.
constexpr int Twips(int twips) { return twips / 15; }
inline QRect TwipsRect(int left, int top, int width, int height)
{
    return QRect(Twips(left), Twips(top), Twips(width), Twips(height));
}
void PlaceTwips(QWidget *widget, int left, int top, int width, int height);

// Where a control sits in its parent, in twips.
struct TwipsBox {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// Places a control and gives it its tool tip (none when empty); returns the control.
template <class W> W *Placed(W *widget, TwipsBox box, const QString &tip = QString())
{
    PlaceTwips(widget, box.left, box.top, box.width, box.height);
    if (!tip.isEmpty())
        widget->setToolTip(tip);
    return widget;
}

// The program's icon (resource 101), set on every window.
void SetProgramIcon(QWidget *window);

// Title and fixed client size of a window laid out in twips, in the classic 8-point dialog face.
void SetClassicFrame(QWidget *window, const QString &title, int widthTwips, int heightTwips);

// The classic face where it is installed. Elsewhere a face with narrow metrics stands in, at a
// size at which every caption fits the box the layout gives it.
QFont ClassicFont(const QString &family, qreal pointSize);
// Older name of ClassicFont.
QFont FaceOrStandard(const QString &family, int pointSize);

QLabel *NewLabel(QWidget *parent, const QString &caption, TwipsBox box, const QString &tip = QString());
// A picture from the resources, shown in a label.
QLabel *NewImage(QWidget *parent, const QString &picture, TwipsBox box, const QString &tip = QString());
// A picture that acts as a button, named for assistive technology (see PictureButton).
PictureButton *NewPictureButton(QWidget *parent, TwipsBox box, const QString &name, const QString &tip = QString());
QLineEdit *NewTextBox(QWidget *parent, TwipsBox box, const QString &tip = QString());
QGroupBox *NewFrame(QWidget *parent, const QString &caption, TwipsBox box);
QCheckBox *NewCheckBox(QWidget *parent, const QString &caption, TwipsBox box);

// A push button that Enter pressed in another control does not press.
QPushButton *NewButton(QWidget *parent, const QString &caption);
QPushButton *NewButton(QWidget *parent, const QString &caption, TwipsBox box, const QString &tip = QString());

// A drop-down list the user can only pick from.
QComboBox *NewDropDownList(QWidget *parent, TwipsBox box, const QString &tip = QString());

// An editable drop-down that keeps exactly what was typed. Without a completer nothing is
// filled in while typing and Return matches list entries case-sensitively; typed text never
// becomes a new entry.
QComboBox *NewExactList(QWidget *parent);
QComboBox *NewExactList(QWidget *parent, TwipsBox box);

// Assistive technology names a control after the label that captions it: the label becomes
// its buddy (no caption holds '&', so nothing changes on the screen), which is also the label
// relation a screen reader follows. A list's own parts, its drop-down and its text box, get the
// caption as their name too.
void LabelFor(QLabel *label, QWidget *control);
// The name of a control no label captions, such as a list inside a captioned frame.
void NameControl(QWidget *control, const QString &name);

// Tab order in the order given.
void ChainTabOrder(const QList<QWidget *> &order);

// A check box's state in the classic numbers: 0 unchecked, 1 checked, 2 greyed.
int16_t CheckValue(const QCheckBox *box);
void SetCheckValue(QCheckBox *box, int16_t value);
