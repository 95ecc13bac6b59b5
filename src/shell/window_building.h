#pragma once

#include "appearance.h"
#include "twips.h"

#include <QStringList>

class QWidget;

namespace shell {

class FormButton;
class FrameShape;

// What the menu and the pages have in common when they build themselves
// from their designs.

// Every frame shape lies this far outside what it frames, on every side.
inline constexpr int kFrameMargin = 120;

constexpr TwipsRect framedRect(const TwipsRect &rect)
{
    return {rect.left - kFrameMargin, rect.top - kFrameMargin, rect.width + 2 * kFrameMargin,
            rect.height + 2 * kFrameMargin};
}

void setUpWindow(QWidget *window, const char *name, const QString &caption, quint32 backColour,
                 const TwipsRect &client);

FormButton *addButton(QWidget *window, int number, const QString &caption, const TwipsRect &rect,
                      const FontSpec &font);

FrameShape *addShape(QWidget *window, const char *name, const TwipsRect &rect);

// Chains the named controls in this order and gives the focus to the first
// of them that can take it.
void applyTabOrder(QWidget *window, const QStringList &names);

} // namespace shell
