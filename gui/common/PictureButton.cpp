#include "gui/common/PictureButton.h"

#include <QAccessibleWidget>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

namespace {

class PictureButtonAccessible : public QAccessibleWidget {
public:
    explicit PictureButtonAccessible(PictureButton *picture) : QAccessibleWidget(picture, QAccessible::Button) {}

    QStringList actionNames() const override
    {
        QStringList names = QAccessibleWidget::actionNames();
        if (widget()->isEnabled())
            names.prepend(pressAction());
        return names;
    }

    void doAction(const QString &action) override
    {
        if (action == pressAction())
            static_cast<PictureButton *>(widget())->press();
        else
            QAccessibleWidget::doAction(action);
    }

    QStringList keyBindingsForAction(const QString &action) const override
    {
        return action == pressAction() ? QStringList{QStringLiteral("Space")} : QStringList{};
    }
};

QAccessibleInterface *PictureButtonFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String("PictureButton") && object && object->isWidgetType())
        return new PictureButtonAccessible(static_cast<PictureButton *>(object));
    return nullptr;
}

} // namespace

PictureButton::PictureButton(QWidget *parent) : QLabel(parent)
{
    static const bool installed = [] {
        QAccessible::installFactory(PictureButtonFactory);
        return true;
    }();
    Q_UNUSED(installed);
    // Tab only: a click keeps the focus where the player was typing.
    setFocusPolicy(Qt::TabFocus);
}

void PictureButton::press()
{
    if (isEnabled())
        emit pressed();
}

void PictureButton::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    if (!event->isAutoRepeat() && (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter)) {
        press();
        return;
    }
    QLabel::keyPressEvent(event);
}

void PictureButton::focusInEvent(QFocusEvent *event)
{
    // A window opening gives focus too; the frame is for the keyboard's way in, and stays while
    // the player is in another window and comes back.
    const Qt::FocusReason reason = event->reason();
    if (reason != Qt::ActiveWindowFocusReason)
        m_keyboardFocus = reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
                          reason == Qt::ShortcutFocusReason;
    update();
    QLabel::focusInEvent(event);
}

void PictureButton::focusOutEvent(QFocusEvent *event)
{
    if (event->reason() != Qt::ActiveWindowFocusReason)
        m_keyboardFocus = false;
    update();
    QLabel::focusOutEvent(event);
}

void PictureButton::paintEvent(QPaintEvent *event)
{
    QLabel::paintEvent(event);
    if (!m_keyboardFocus || !hasFocus())
        return;
    QStylePainter painter(this);
    QStyleOptionFocusRect option;
    option.initFrom(this);
    option.backgroundColor = palette().color(backgroundRole());
    painter.drawPrimitive(QStyle::PE_FrameFocusRect, option);
}
