#pragma once

#include <QFont>
#include <QRect>
#include <QString>

#include <cstdint>

class QCheckBox;
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

// A font of the given face and size, or a standard face when that one is missing.
QFont FaceOrStandard(const QString &family, int pointSize);

// A check box's state in the classic numbers: 0 unchecked, 1 checked, 2 greyed.
int16_t CheckValue(const QCheckBox *box);
void SetCheckValue(QCheckBox *box, int16_t value);
