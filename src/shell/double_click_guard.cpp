#include "double_click_guard.h"

#include <QAbstractButton>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QStyleHints>

namespace shell {

DoubleClickGuard::DoubleClickGuard(QAbstractButton *opener, const QList<QAbstractButton *> &covered,
                                   QObject *parent)
    : QObject(parent)
    , opener_(opener)
{
    opener_->installEventFilter(this);
    for (QAbstractButton *button : covered)
        button->installEventFilter(this);
}

bool DoubleClickGuard::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseButtonDblClick)
        return false;
    if (watched == opener_) {
        const auto *press = static_cast<const QMouseEvent *>(event);
        openerPressedAt_ = press->timestamp();
        openerPressedWhere_ = press->globalPosition();
        return false;
    }
    return endsDoubleClickOnOpener(event);
}

bool DoubleClickGuard::endsDoubleClickOnOpener(const QEvent *event) const
{
    const auto *press = static_cast<const QMouseEvent *>(event);
    if (openerPressedAt_ == 0 || press->timestamp() < openerPressedAt_)
        return false;
    const QStyleHints *hints = QGuiApplication::styleHints();
    const bool soon = press->timestamp() - openerPressedAt_
        < static_cast<ulong>(hints->mouseDoubleClickInterval());
    const QPointF moved = press->globalPosition() - openerPressedWhere_;
    const bool near = qMax(qAbs(moved.x()), qAbs(moved.y())) <= hints->mouseDoubleClickDistance();
    return soon && near;
}

} // namespace shell
