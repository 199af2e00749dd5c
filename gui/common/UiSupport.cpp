#include "gui/common/UiSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QIcon>
#include <QPushButton>
#include <QWidget>

void PlaceTwips(QWidget *widget, int left, int top, int width, int height)
{
    widget->setGeometry(TwipsRect(left, top, width, height));
}

void SetProgramIcon(QWidget *window) { window->setWindowIcon(QIcon(QStringLiteral(":/skirmdeck/icon.png"))); }

void SetClassicFrame(QWidget *window, const QString &title, int widthTwips, int heightTwips)
{
    window->setWindowTitle(title);
    window->setFixedSize(Twips(widthTwips), Twips(heightTwips));
    window->setFont(FaceOrStandard(QStringLiteral("MS Sans Serif"), 8));
}

QPushButton *NewButton(QWidget *parent, const QString &caption)
{
    auto *button = new QPushButton(caption, parent);
    button->setAutoDefault(false);
    return button;
}

QComboBox *NewExactList(QWidget *parent)
{
    auto *box = new QComboBox(parent);
    box->setEditable(true);
    box->setCompleter(nullptr);
    box->setInsertPolicy(QComboBox::NoInsert);
    return box;
}

QFont FaceOrStandard(const QString &family, int pointSize)
{
    if (QFontDatabase::families().contains(family, Qt::CaseInsensitive))
        return QFont(family, pointSize);
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPointSize(pointSize);
    return font;
}

int16_t CheckValue(const QCheckBox *box)
{
    switch (box->checkState()) {
    case Qt::Checked: return 1;
    case Qt::PartiallyChecked: return 2;
    default: return 0;
    }
}

void SetCheckValue(QCheckBox *box, int16_t value)
{
    box->setCheckState(value == 1 ? Qt::Checked : value == 2 ? Qt::PartiallyChecked : Qt::Unchecked);
}
