#pragma once

#include <QPushButton>

class QFont;
class QSize;

namespace shell {

// A command button in the designs' graphical style: its face is filled with
// one colour, it has a raised three-dimensional edge, and its caption is
// centred and wraps at blanks when it is wider than the button. Enter presses
// the focused button, as Space does.
class FormButton : public QPushButton
{
    Q_OBJECT
public:
    explicit FormButton(QWidget *parent = nullptr);

    QColor faceColour() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
};

// Draws `caption` off the screen as a button of `size` in `font` draws it:
// the face is loaded, and its glyphs rendered, for the first real paint.
void prepareCaption(const QString &caption, const QFont &font, const QSize &size);

} // namespace shell
