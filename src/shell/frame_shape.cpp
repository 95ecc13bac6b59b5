#include "frame_shape.h"

#include <QPainter>

namespace shell {

FrameShape::FrameShape(const QColor &outline, QWidget *parent)
    : QWidget(parent)
    , outline_(outline)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
}

void FrameShape::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setPen(outline_);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

} // namespace shell
