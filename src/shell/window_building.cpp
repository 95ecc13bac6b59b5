#include "window_building.h"

#include "form_button.h"
#include "frame_shape.h"
#include "page_design.h"
#include "runtime_error.h"

#include <QWidget>

namespace shell {

void setUpWindow(QWidget *window, const char *name, const QString &caption, quint32 backColour,
                 const TwipsRect &client)
{
    window->setObjectName(QLatin1String(name));
    window->setWindowTitle(caption);
    QPalette palette = window->palette();
    palette.setColor(QPalette::Window, colourFromBgr(backColour));
    window->setPalette(palette);
    window->setAutoFillBackground(true);
    window->setGeometry(toPixels(client));
}

FormButton *addButton(QWidget *window, int number, const QString &caption, const TwipsRect &rect,
                      const FontSpec &font)
{
    auto *button = new FormButton(window);
    button->setObjectName(controlName(number));
    button->setText(caption);
    button->setFont(toQFont(font));
    button->setGeometry(toPixels(rect));
    return button;
}

FrameShape *addShape(QWidget *window, const char *name, const TwipsRect &rect)
{
    auto *shape = new FrameShape(colourFromBgr(kFrameOutline), window);
    shape->setObjectName(QLatin1String(name));
    shape->setGeometry(toPixels(rect));
    shape->lower(); // drawn on the window's surface, under its controls
    return shape;
}

namespace {

QList<QWidget *> controlsNamed(QWidget *window, const QStringList &names)
{
    QList<QWidget *> controls;
    for (const QString &name : names) {
        auto *control = window->findChild<QWidget *>(name, Qt::FindDirectChildrenOnly);
        if (!control)
            raiseRuntimeError(window->objectName(), QStringLiteral("TabIndex"),
                              QStringLiteral("no control named %1").arg(name));
        controls << control;
    }
    return controls;
}

} // namespace

void applyTabOrder(QWidget *window, const QStringList &names)
{
    const QList<QWidget *> chain = controlsNamed(window, names);
    for (qsizetype i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain[i - 1], chain[i]);
    for (QWidget *control : chain) {
        if (!control->isHidden() && control->isEnabled() && control->focusPolicy() & Qt::TabFocus) {
            control->setFocus(Qt::TabFocusReason);
            break;
        }
    }
}

} // namespace shell
