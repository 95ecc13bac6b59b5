#include "forms_runtime.h"

#include "browser_pane.h"
#include "menu_design.h"
#include "menu_window.h"
#include "page_design.h"
#include "recitation_page.h"
#include "runtime_error.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QWebEngineProfile>

namespace shell {

namespace {

// The desktop's runtime folder is held in memory and goes with the session,
// so nothing of the browser's reaches the disk even if the program does not
// end cleanly; without one, the temporary folder serves.
QString scratchTemplate()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    const QString parent = runtime.isEmpty() ? QDir::tempPath() : runtime;
    return parent + QStringLiteral("/sorvantel-XXXXXX");
}

// Showing a window posts it and each of its controls an update for later,
// yet the whole of a window that has just been shown is painted when it
// reaches the screen. Left in the queue, those updates arrive just after
// that and paint every button a second time.
void dropUpdatesCoveredByFirstPaint(QWidget *window)
{
    QCoreApplication::removePostedEvents(window, QEvent::UpdateLater);
    for (QWidget *control : window->findChildren<QWidget *>())
        QCoreApplication::removePostedEvents(control, QEvent::UpdateLater);
}

} // namespace

FormsRuntime::FormsRuntime(catalogue::SiteHosts hosts, QObject *parent)
    : QObject(parent)
    , hosts_(std::move(hosts))
{
}

FormsRuntime::~FormsRuntime()
{
    // The windows hold web pages on the profile: they go first.
    for (auto &[name, window] : windows_)
        delete window.data();
    for (const QPointer<QWidget> &window : std::as_const(discarded_))
        delete window.data();
}

void FormsRuntime::prepareBrowser()
{
    if (!ended_)
        profile();
}

QWebEngineProfile &FormsRuntime::profile()
{
    if (!profile_) {
        browserScratch_ = std::make_unique<QTemporaryDir>(scratchTemplate());
        // Without a temporary folder the engine makes its folders where it
        // would by itself; the program still plays.
        profile_ = createBrowserProfile(browserScratch_->isValid() ? browserScratch_->path() : QString());
    }
    return *profile_;
}

QWidget *FormsRuntime::window(const QString &name)
{
    if (QWidget *found = existing(name))
        return found;
    QWidget *created = create(name);
    windows_[name] = created;
    return created;
}

QWidget *FormsRuntime::existing(const QString &name) const
{
    const auto found = windows_.find(name);
    return found == windows_.end() ? nullptr : found->second.data();
}

QWidget *FormsRuntime::create(const QString &name)
{
    if (name == QLatin1String(kMenuForm))
        return new MenuWindow(*this);
    if (const PageDescription *page = pageDescription(name))
        return new RecitationPage(*page, *this, profile(), hosts_);
    raiseRuntimeError(name, QStringLiteral("window by its name"), QStringLiteral("no such window"));
}

void FormsRuntime::show(const QString &name)
{
    if (ended_)
        return;
    QWidget *shown = window(name);
    const bool wasHidden = shown->isHidden();
    shown->show();
    if (wasHidden)
        dropUpdatesCoveredByFirstPaint(shown);
}

void FormsRuntime::hide(const QString &name)
{
    if (ended_)
        return;
    window(name)->hide();
}

void FormsRuntime::unload(const QString &name)
{
    const auto found = windows_.find(name);
    if (found == windows_.end())
        return;
    QWidget *window = found->second.data();
    windows_.erase(found);
    discard(window);
}

void FormsRuntime::discard(QWidget *window)
{
    if (!window)
        return;
    // Hidden now, so it takes no further input and the listener sees it go;
    // destroyed once the handler that asked for it has returned.
    window->hide();
    window->deleteLater();
    discarded_.removeIf([](const QPointer<QWidget> &gone) { return gone.isNull(); });
    discarded_ << window;
}

void FormsRuntime::end()
{
    if (ended_)
        return;
    ended_ = true;
    for (auto &[name, window] : windows_)
        discard(window.data());
    windows_.clear();
    emit ended();
}

} // namespace shell
