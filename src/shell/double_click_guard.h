#pragma once

#include <QObject>
#include <QPointF>
#include <QPointer>

class QAbstractButton;
class QMouseEvent;

namespace shell {

// Keeps a double click on a button from going on to whatever that button's
// click brings under the pointer. A recording button's click opens its page
// where the menu was, Enlarge's uncovers the surah buttons beneath it, Back's
// takes its page away; the second press of the same double click would then
// press the button that now lies there. A press that comes within the
// desktop's double-click time and distance of a press on a button that has
// since gone from the screen is dropped, and so is every such press until
// that time is up. A button that stays where it was (a surah button) takes
// its double click as before.
//
// It watches the presses of every window of the application, from the
// moment it is made until it goes.
class DoubleClickGuard : public QObject
{
    Q_OBJECT
public:
    explicit DoubleClickGuard(QObject *parent = nullptr);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool endsDoubleClickOnGoneButton(const QMouseEvent &press) const;

    // The last press that was let through: whether it was on a button, the
    // button while it exists, when (0: the press carried no time, as one a
    // program makes) and where on the screen.
    bool pressedOnButton_ = false;
    QPointer<QAbstractButton> pressedButton_;
    ulong pressedAt_ = 0;
    QPointF pressedWhere_;
};

} // namespace shell
