#include "settings/UiSupport.h"

#include <QFontDatabase>
#include <QIcon>
#include <QWidget>

void PlaceTwips(QWidget *widget, int left, int top, int width, int height)
{
    widget->setGeometry(TwipsRect(left, top, width, height));
}

void SetProgramIcon(QWidget *window) { window->setWindowIcon(QIcon(QStringLiteral(":/skirmdeck/icon.png"))); }

QFont FaceOrStandard(const QString &family, int pointSize)
{
    if (QFontDatabase::families().contains(family, Qt::CaseInsensitive))
        return QFont(family, pointSize);
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPointSize(pointSize);
    return font;
}
