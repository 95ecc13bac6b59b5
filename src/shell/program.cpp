#include "program.h"

#include "appearance.h"
#include "browser_pane.h"
#include "forms_runtime.h"
#include "menu_design.h"
#include "recitation_page.h"
#include "termination_signals.h"

#include <QApplication>
#include <QLoggingCategory>
#include <QList>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

namespace shell {

namespace {

// Starts the web engine and readies the surah captions once the menu has
// first been drawn, so the menu shows without waiting for either and the
// first page opens as fast as any.
class PrepareAfterFirstPaint : public QObject
{
public:
    PrepareAfterFirstPaint(FormsRuntime &runtime, QWidget *menu)
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
            QTimer::singleShot(0, &runtime_, &prepareSurahCaptions);
        }
        return false;
    }

private:
    FormsRuntime &runtime_;
};

// While the application connects to the display, Qt's messages are held
// back: if no display can be reached, Qt gives up with a fatal message that
// advises reinstalling and aborts. The listener is told plainly instead, and
// the program ends with a failure status, not a crash.
class DisplayConnection
{
public:
    DisplayConnection() { previous_ = qInstallMessageHandler(&DisplayConnection::hold); }

    // Connected: what was held back goes where it would have gone.
    void made()
    {
        qInstallMessageHandler(previous_);
        for (const Held &message : std::as_const(held_))
            qt_message_output(message.type, QMessageLogContext(), message.text);
        held_.clear();
    }

private:
    struct Held {
        QtMsgType type;
        QString text;
    };

    static void hold(QtMsgType type, const QMessageLogContext &, const QString &text)
    {
        if (type != QtFatalMsg) {
            held_.append({type, text});
            return;
        }
        std::fputs("sorvantel: no display to show the program's windows on", stderr);
        if (!held_.isEmpty())
            std::fprintf(stderr, " (%s)", qPrintable(held_.constFirst().text.trimmed()));
        std::fputs(".\n", stderr);
        std::_Exit(EXIT_FAILURE);
    }

    static inline QtMessageHandler previous_ = nullptr;
    static inline QList<Held> held_;
};

} // namespace

int runProgram(int &argc, char **argv, const catalogue::SiteHosts &hosts,
               const std::function<void(FormsRuntime &)> &started)
{
    deferBrowserGraphics(); // the web views' GL context waits for the browser to start
    // Qt's shader cache is left on, like the GL driver's: it is one folder
    // under the cache home that every Qt program drawn with GL shares, and
    // holds compiled shaders, nothing of the listener's. Without it the first
    // page of every run compiles all of Qt's shader programs again.

    DisplayConnection display;
    QApplication app(argc, argv);
    display.made();
    // The engine describes its set-up at start; the listener has no use for it.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));
    installFontFallbacks();

    // Made before the runtime, so that it outlives it: a signal that comes
    // while the runtime's windows, engine and scratch folder go finds it
    // still caught and changes nothing.
    TerminationSignals termination;
    FormsRuntime runtime(hosts);
    QObject::connect(&runtime, &FormsRuntime::ended, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    QObject::connect(&termination, &TerminationSignals::received, &runtime, &FormsRuntime::end);

    const QString menu = QLatin1String(kMenuForm);
    new PrepareAfterFirstPaint(runtime, runtime.window(menu));
    runtime.show(menu);
    if (started)
        started(runtime);
    return app.exec();
}

} // namespace shell
