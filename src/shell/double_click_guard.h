#pragma once

#include <QList>
#include <QObject>
#include <QPointF>

class QAbstractButton;

namespace shell {

// Keeps a double click on one button from ending on another. The first click
// on `opener` may take it away and uncover `covered` beneath it; the second
// press of the same double click then lands there. Such a press, close to
// the opener's in time and place as the desktop counts a double click, is
// dropped, so the uncovered button is not pressed.
class DoubleClickGuard : public QObject
{
    Q_OBJECT
public:
    DoubleClickGuard(QAbstractButton *opener, const QList<QAbstractButton *> &covered,
                     QObject *parent);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool endsDoubleClickOnOpener(const QEvent *event) const;

    QAbstractButton *opener_;
    ulong openerPressedAt_ = 0; // 0: no press of the opener's seen
    QPointF openerPressedWhere_;
};

} // namespace shell
