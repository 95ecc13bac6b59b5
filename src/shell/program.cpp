#include "program.h"

#include "appearance.h"
#include "browser_pane.h"
#include "forms_runtime.h"
#include "menu_design.h"

#include <QApplication>
#include <QLoggingCategory>
#include <QWebEngineProfile>

namespace shell {

int runProgram(int &argc, char **argv, const catalogue::SiteHosts &hosts,
               const std::function<void(FormsRuntime &)> &started)
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    // The engine describes its set-up at start; the listener has no use for it.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));
    installFontFallbacks();

    // Declared before the runtime, so that every window and its web page is
    // gone before the profile they run on.
    const auto profile = createBrowserProfile();
    FormsRuntime runtime(*profile, hosts);
    QObject::connect(&runtime, &FormsRuntime::ended, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);

    runtime.show(QLatin1String(kMenuForm));
    if (started)
        started(runtime);
    return app.exec();
}

} // namespace shell
