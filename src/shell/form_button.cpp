#include "form_button.h"

#include "appearance.h"

#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>
#include <QTextLayout>
#include <QTextOption>
#include <qdrawutil.h>

namespace shell {

namespace {

// Draws the caption centred in `area`, wrapped at blanks. Arabic faces have
// tall line boxes; where the wrapped lines would not fit, they are drawn
// closer together rather than cut off at the button's edges.
void drawCaption(QPainter &painter, const QRectF &area, const QString &text, const QFont &font)
{
    QTextLayout layout(text, font, painter.device());
    QTextOption option(Qt::AlignHCenter);
    option.setWrapMode(QTextOption::WordWrap);
    option.setTextDirection(Qt::LayoutDirectionAuto);
    layout.setTextOption(option);
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine())
        line.setLineWidth(area.width());
    layout.endLayout();

    const int lines = layout.lineCount();
    if (lines == 0)
        return;
    const qreal lineHeight = layout.lineAt(0).height();
    qreal step = lineHeight;
    if (lines > 1 && lineHeight * lines > area.height())
        step = (area.height() - lineHeight) / (lines - 1) > lineHeight / 2
                   ? (area.height() - lineHeight) / (lines - 1)
                   : lineHeight / 2;
    for (int i = 0; i < lines; ++i)
        layout.lineAt(i).setPosition(QPointF(0, i * step));
    const qreal height = step * (lines - 1) + lineHeight;
    layout.draw(&painter, QPointF(area.left(), area.top() + (area.height() - height) / 2));
}

// Where a button of `size` draws its caption.
QRectF captionArea(const QSize &size)
{
    return QRectF(QPointF(0, 0), QSizeF(size)).adjusted(2, 2, -2, -2);
}

} // namespace

void prepareCaption(const QString &caption, const QFont &font, const QSize &size)
{
    QImage scratch(size, QImage::Format_ARGB32_Premultiplied);
    scratch.fill(Qt::transparent);
    QPainter painter(&scratch);
    drawCaption(painter, captionArea(size), caption, font);
}

FormButton::FormButton(QWidget *parent)
    : QPushButton(parent)
{
    QPalette palette(colourFromBgr(kButtonFace));
    palette.setColor(QPalette::ButtonText, Qt::black);
    setPalette(palette);
    setAutoDefault(false);
}

QColor FormButton::faceColour() const
{
    return palette().color(QPalette::Button);
}

void FormButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const bool sunken = isDown();
    const QBrush face(faceColour());
    qDrawWinButton(&painter, rect(), palette(), sunken, &face);

    QRectF textArea = captionArea(size());
    if (sunken)
        textArea.translate(1, 1);
    if (isEnabled()) {
        painter.setPen(palette().color(QPalette::ButtonText));
    } else {
        // The engraved grey of a disabled caption: a light copy under a dark one.
        painter.setPen(palette().color(QPalette::Light));
        drawCaption(painter, textArea.translated(1, 1), text(), font());
        painter.setPen(palette().color(QPalette::Dark));
    }
    drawCaption(painter, textArea, text(), font());

    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = rect().adjusted(3, 3, -3, -3);
        focus.backgroundColor = faceColour();
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

void FormButton::keyPressEvent(QKeyEvent *event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (!enter || modifiers != Qt::NoModifier) {
        QPushButton::keyPressEvent(event);
        return;
    }
    // One press, one click: holding Enter down does not repeat it.
    if (!event->isAutoRepeat())
        click();
}

} // namespace shell
