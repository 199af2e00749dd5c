#pragma once

#include <QFont>
#include <QRect>
#include <QString>

#include <cstdint>

class QCheckBox;
class QComboBox;
class QPushButton;
class QWidget;

// Window geometry is given in twips: 15 twips to a pixel at 96 dpi.
constexpr int Twips(int twips) { return twips / 15; }
inline QRect TwipsRect(int left, int top, int width, int height)
{
    return QRect(Twips(left), Twips(top), Twips(width), Twips(height));
}
void PlaceTwips(QWidget *widget, int left, int top, int width, int height);

// The program's icon (resource 101), set on every window.
void SetProgramIcon(QWidget *window);

// Title and fixed client size of a window laid out in twips, with the classic 8-point dialog
// face the layout was drawn for, so the captions fit the classic control sizes.
void SetClassicFrame(QWidget *window, const QString &title, int widthTwips, int heightTwips);

// A push button that Enter pressed in another control does not press.
QPushButton *NewButton(QWidget *parent, const QString &caption);

// An editable drop-down that keeps exactly what was typed. Without a completer nothing is
// filled in while typing and Return matches list entries case-sensitively; typed text never
// becomes a new entry.
QComboBox *NewExactList(QWidget *parent);

// A font of the given face and size, or a standard face when that one is missing.
QFont FaceOrStandard(const QString &family, int pointSize);

// A check box's state in the classic numbers: 0 unchecked, 1 checked, 2 greyed.
int16_t CheckValue(const QCheckBox *box);
void SetCheckValue(QCheckBox *box, int16_t value);
