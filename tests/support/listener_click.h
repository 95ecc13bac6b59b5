#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMouseEvent>
#include <QPointer>

namespace testsupport {

// A left click in the middle of `button`, as a press and a release, the way
// a listener's mouse delivers it. The press may already take the button away
// (Back destroys its page); then no release follows.
inline void clickLikeAListener(QAbstractButton *button)
{
    const QPointF local = QRectF(button->rect()).center();
    const QPointF global = button->mapToGlobal(local);
    QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    const QPointer<QAbstractButton> guard(button);
    QApplication::sendEvent(button, &press);
    if (!guard)
        return;
    QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(button, &release);
}

} // namespace testsupport
