#include "gui/common/UiSupport.h"

#include "gui/common/PictureButton.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QWidget>

namespace {

// Stand-ins for the classic faces. The classic layout was drawn for 8-point MS Sans Serif and
// wraps its longest check-box captions onto a second line, which a check box here cannot do;
// the narrow face half a point smaller keeps those on one line inside their boxes.
struct FaceStandIn {
    const char *classic;
    const char *standIn;
    qreal pointsLess;
};
constexpr FaceStandIn kStandIns[] = {
    {"MS Sans Serif", "Liberation Sans Narrow", 0.5},
    {"Small Fonts", "Liberation Sans Narrow", 0},
    {"MS Serif", "Liberation Serif", 0},
    // Metric-compatible with Arial, so captions take the room they were laid out for.
    {"Arial", "Liberation Sans", 0},
};

bool Installed(const QString &family) { return QFontDatabase::families().contains(family, Qt::CaseInsensitive); }

QFont FontOf(const QString &family, qreal pointSize)
{
    QFont font(family);
    font.setPointSizeF(pointSize);
    return font;
}

} // namespace

void PlaceTwips(QWidget *widget, int left, int top, int width, int height)
{
    widget->setGeometry(TwipsRect(left, top, width, height));
}

void SetProgramIcon(QWidget *window) { window->setWindowIcon(QIcon(QStringLiteral(":/skirmdeck/icon.png"))); }

void SetClassicFrame(QWidget *window, const QString &title, int widthTwips, int heightTwips)
{
    window->setWindowTitle(title);
    window->setFixedSize(Twips(widthTwips), Twips(heightTwips));
    window->setFont(ClassicFont(QStringLiteral("MS Sans Serif"), 8));
}

QFont ClassicFont(const QString &family, qreal pointSize)
{
    if (Installed(family))
        return FontOf(family, pointSize);
    for (const FaceStandIn &standIn : kStandIns)
        if (family.compare(QLatin1String(standIn.classic), Qt::CaseInsensitive) == 0 &&
            Installed(QLatin1String(standIn.standIn)))
            return FontOf(QLatin1String(standIn.standIn), pointSize - standIn.pointsLess);
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPointSizeF(pointSize);
    return font;
}

QFont FaceOrStandard(const QString &family, int pointSize) { return ClassicFont(family, pointSize); }

QLabel *NewLabel(QWidget *parent, const QString &caption, TwipsBox box, const QString &tip)
{
    return Placed(new QLabel(caption, parent), box, tip);
}

QLabel *NewImage(QWidget *parent, const QString &picture, TwipsBox box, const QString &tip)
{
    QLabel *image = Placed(new QLabel(parent), box, tip);
    image->setPixmap(QPixmap(picture));
    return image;
}

PictureButton *NewPictureButton(QWidget *parent, TwipsBox box, const QString &name, const QString &tip)
{
    auto *picture = Placed(new PictureButton(parent), box, tip);
    picture->setAccessibleName(name);
    return picture;
}

QLineEdit *NewTextBox(QWidget *parent, TwipsBox box, const QString &tip)
{
    return Placed(new QLineEdit(parent), box, tip);
}

QGroupBox *NewFrame(QWidget *parent, const QString &caption, TwipsBox box)
{
    return Placed(new QGroupBox(caption, parent), box);
}

QCheckBox *NewCheckBox(QWidget *parent, const QString &caption, TwipsBox box)
{
    return Placed(new QCheckBox(caption, parent), box);
}

QPushButton *NewButton(QWidget *parent, const QString &caption)
{
    auto *button = new QPushButton(caption, parent);
    button->setAutoDefault(false);
    return button;
}

QPushButton *NewButton(QWidget *parent, const QString &caption, TwipsBox box, const QString &tip)
{
    return Placed(NewButton(parent, caption), box, tip);
}

QComboBox *NewDropDownList(QWidget *parent, TwipsBox box, const QString &tip)
{
    auto *list = Placed(new QComboBox(parent), box, tip);
    list->setEditable(false);
    return list;
}

QComboBox *NewExactList(QWidget *parent)
{
    auto *box = new QComboBox(parent);
    box->setEditable(true);
    box->setCompleter(nullptr);
    box->setInsertPolicy(QComboBox::NoInsert);
    return box;
}

QComboBox *NewExactList(QWidget *parent, TwipsBox box) { return Placed(NewExactList(parent), box); }

void NameControl(QWidget *control, const QString &name)
{
    const QString caption = name.trimmed();
    control->setAccessibleName(caption);
    if (auto *list = qobject_cast<QComboBox *>(control)) {
        list->view()->setAccessibleName(caption);
        if (list->lineEdit())
            list->lineEdit()->setAccessibleName(caption);
    }
}

void LabelFor(QLabel *label, QWidget *control)
{
    label->setBuddy(control);
    NameControl(control, label->text());
}

void ChainTabOrder(const QList<QWidget *> &order)
{
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
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
