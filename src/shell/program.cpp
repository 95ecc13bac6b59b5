#include "program.h"

#include "appearance.h"
#include "browser_pane.h"
#include "forms_runtime.h"
#include "menu_design.h"

#include <QApplication>
#include <QLoggingCategory>
#include <QTimer>

namespace shell {

namespace {

// Starts the web engine once the menu has first been drawn, so the menu
// shows without waiting for it and the first page opens as fast as any.
class PrepareBrowserAfterFirstPaint : public QObject
{
public:
    PrepareBrowserAfterFirstPaint(FormsRuntime &runtime, QWidget *menu)
        : QObject(menu)
        , runtime_(runtime)
    {
        menu->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            QTimer::singleShot(0, &runtime_, &FormsRuntime::prepareBrowser);
        }
        return false;
    }

private:
    FormsRuntime &runtime_;
};

} // namespace

int runProgram(int &argc, char **argv, const catalogue::SiteHosts &hosts,
               const std::function<void(FormsRuntime &)> &started)
{
    deferBrowserGraphics(); // the web views' GL context waits for the browser to start
    QApplication app(argc, argv);
    // The engine describes its set-up at start; the listener has no use for it.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));
    installFontFallbacks();

    FormsRuntime runtime(hosts);
    QObject::connect(&runtime, &FormsRuntime::ended, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);

    const QString menu = QLatin1String(kMenuForm);
    new PrepareBrowserAfterFirstPaint(runtime, runtime.window(menu));
    runtime.show(menu);
    if (started)
        started(runtime);
    return app.exec();
}

} // namespace shell
