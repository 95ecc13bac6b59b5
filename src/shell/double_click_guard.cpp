#include "double_click_guard.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QStyleHints>

namespace shell {

DoubleClickGuard::DoubleClickGuard(QObject *parent)
    : QObject(parent)
{
    QCoreApplication::instance()->installEventFilter(this);
}

bool DoubleClickGuard::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick)
        return false;
    // A press reaches its window first and then the widget under the
    // pointer; it is judged once, at the widget.
    if (!watched->isWidgetType())
        return false;
    const auto *press = static_cast<const QMouseEvent *>(event);
    if (press->button() != Qt::LeftButton)
        return false;
    if (endsDoubleClickOnGoneButton(*press))
        return true;
    if (type == QEvent::MouseButtonPress) {
        pressedButton_ = qobject_cast<QAbstractButton *>(watched);
        pressedOnButton_ = !pressedButton_.isNull();
        pressedAt_ = press->timestamp();
        pressedWhere_ = press->globalPosition();
    }
    return false;
}

bool DoubleClickGuard::endsDoubleClickOnGoneButton(const QMouseEvent &press) const
{
    // A button destroyed since (Back's, with its page) has gone as surely
    // as a hidden one.
    const bool buttonGone = pressedOnButton_ && (pressedButton_.isNull() || !pressedButton_->isVisible());
    if (!buttonGone || pressedAt_ == 0 || press.timestamp() < pressedAt_)
        return false;
    const QStyleHints *hints = QGuiApplication::styleHints();
    const bool soon = press.timestamp() - pressedAt_ < static_cast<ulong>(hints->mouseDoubleClickInterval());
    const QPointF moved = press.globalPosition() - pressedWhere_;
    const bool near = qMax(qAbs(moved.x()), qAbs(moved.y())) <= hints->mouseDoubleClickDistance();
    return soon && near;
}

} // namespace shell
