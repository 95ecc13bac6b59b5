#pragma once

#include <QColor>
#include <QWidget>

namespace shell {

// A rectangle outlined on its window's surface. It is not filled, so the
// window shows through it, and it takes no input.
class FrameShape : public QWidget
{
    Q_OBJECT
public:
    FrameShape(const QColor &outline, QWidget *parent);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor outline_;
};

} // namespace shell
