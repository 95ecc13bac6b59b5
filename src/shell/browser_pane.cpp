#include "browser_pane.h"

#include "runtime_error.h"

#include <QAuthenticator>
#include <QChildEvent>
#include <QColorDialog>
#include <QGuiApplication>
#include <QOpenGLContext>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>

// qt_gl_set_global_share_context: Qt's own, which the web engine uses to set
// its share context the same way; there is no public equivalent.
#include <QtGui/private/qopenglcontext_p.h>

namespace shell {

namespace {

// The share context deferBrowserGraphics() put in place, until it is made.
QOpenGLContext *g_deferredShareContext = nullptr;
bool g_deferredShareContextMade = false;

void deleteDeferredShareContext()
{
    if (QOpenGLContext::globalShareContext() == g_deferredShareContext)
        qt_gl_set_global_share_context(nullptr);
    delete g_deferredShareContext;
    g_deferredShareContext = nullptr;
}

void makeDeferredShareContext()
{
    if (!g_deferredShareContext || g_deferredShareContextMade)
        return;
    g_deferredShareContextMade = true;
    // As Qt would have made it at the start.
    g_deferredShareContext->setScreen(QGuiApplication::primaryScreen());
    g_deferredShareContext->setFormat(QSurfaceFormat::defaultFormat());
    g_deferredShareContext->create();
}

// A listen page plays inside its pane and nowhere else. It opens no window of
// its own on the listener's desktop (no message, question or file chooser,
// any of which would hold the program until answered), keeps no page from
// being replaced, and its console is no concern of the listener's. Nobody is
// there to give it a password or a permission, so what it asks for is
// refused at once, and the page's own code goes on.
class ListenPage : public QWebEnginePage
{
public:
    ListenPage(QWebEngineProfile &profile, QObject *parent)
        : QWebEnginePage(&profile, parent)
    {
        connect(this, &QWebEnginePage::loadStarted, this, &ListenPage::leavingDone);
        connect(this, &QWebEnginePage::authenticationRequired, this, &ListenPage::cancelSiteLogin);
        connect(this, &QWebEnginePage::proxyAuthenticationRequired, this,
                &ListenPage::cancelProxyLogin);
        connect(this, &QWebEnginePage::featurePermissionRequested, this, &ListenPage::deny);
    }

    // The listener has asked for another page: if the page shown asks
    // whether to leave it, the answer is yes.
    void leaveForNextAddress() { leaving_ = true; }

protected:
    void javaScriptAlert(const QUrl &, const QString &) override {}

    // The engine asks here both for the page's own questions, which get the
    // answer of a dismissed dialog, and whether to leave a page that would
    // rather stay, which the listener has answered by choosing a surah.
    bool javaScriptConfirm(const QUrl &, const QString &) override { return leaving_; }

    bool javaScriptPrompt(const QUrl &, const QString &, const QString &, QString *) override
    {
        return false;
    }

    QStringList chooseFiles(FileSelectionMode, const QStringList &, const QStringList &) override
    {
        return {};
    }

    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString &, int,
                                  const QString &) override
    {
    }

private:
    void leavingDone() { leaving_ = false; }

    // The engine takes a null authenticator for a cancelled login. The one it
    // hands over already carries the site's realm: sent back as it is, it
    // would log in with an empty name, be refused, and be asked for again.
    static void cancelLogin(QAuthenticator *authenticator) { *authenticator = QAuthenticator(); }
    void cancelSiteLogin(const QUrl &, QAuthenticator *authenticator) { cancelLogin(authenticator); }
    void cancelProxyLogin(const QUrl &, QAuthenticator *authenticator, const QString &)
    {
        cancelLogin(authenticator);
    }

    // Notifications, the location, camera, microphone, the screen, the mouse:
    // a request the engine forwards here waits until it is answered.
    void deny(const QUrl &origin, Feature feature)
    {
        setFeaturePermission(origin, feature, PermissionDeniedByUser);
    }

    bool leaving_ = false;
};

} // namespace

void deferBrowserGraphics()
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    if (QCoreApplication::instance() || QOpenGLContext::globalShareContext())
        return;
    // With a share context already in place, neither Qt's start nor the
    // engine's makes one; this one is made later, and goes among the
    // application's last acts, after the engine's own (the routines run
    // newest first).
    g_deferredShareContext = new QOpenGLContext;
    g_deferredShareContextMade = false;
    qt_gl_set_global_share_context(g_deferredShareContext);
    qAddPostRoutine(deleteDeferredShareContext);
}

std::unique_ptr<QWebEngineProfile> createBrowserProfile(const QString &scratchFolder)
{
    // The engine reads the share context when it starts, with the first profile.
    makeDeferredShareContext();
    auto profile = std::make_unique<QWebEngineProfile>(); // no storage name: off the record
    // Off the record, the engine keeps every store in memory, yet it still
    // makes folders for them; they go into the scratch folder, not the
    // listener's home.
    if (!scratchFolder.isEmpty())
        profile->setPersistentStoragePath(scratchFolder);
    profile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    profile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    profile->settings()->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, false);
    // A window a page's script opens by itself gets no place on the desktop,
    // yet the engine would build it and keep it, however many the script
    // asks for; refused, the script gets null at once. A window the
    // listener's click in the page asks for still goes to the view, which
    // opens none.
    profile->settings()->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    return profile;
}

BrowserPane::BrowserPane(QWebEngineProfile &profile, QWidget *parent)
    : QWebEngineView(parent)
{
    setPage(new ListenPage(profile, this));
    // Left to itself, the page starts its (blank) contents from the event
    // loop once it is shown, and the view gets its inner widget only then;
    // the window, already made for plain painting and perhaps already on the
    // screen, is then made again for GL composition. Started here, before the
    // window is shown, the window is made once, the right way, and the page
    // shows sooner. Nothing is loaded: the pane stays empty.
    page()->triggerAction(QWebEnginePage::NoWebAction);
    // The view hands the focus on to the web content inside it; taking it
    // itself puts the pane in its page's tab order.
    setFocusPolicy(Qt::StrongFocus);
}

void BrowserPane::navigate(const QString &address)
{
    // Tolerant parsing, as for a typed address: raw letters and blanks are
    // encoded on the wire, an escape already written ("%20") stays as it is.
    // Nothing is guessed: an address that cannot be read is an error, not a
    // different address.
    const QUrl url(address, QUrl::TolerantMode);
    if (!url.isValid())
        raiseRuntimeError(objectName(), QStringLiteral("Navigate"), url.errorString());
    if (url.isRelative())
        raiseRuntimeError(objectName(), QStringLiteral("Navigate"),
                          QStringLiteral("not a whole address: %1").arg(address));
    static_cast<ListenPage *>(page())->leaveForNextAddress(); // the pane only ever holds its own page
    load(url);
}

void BrowserPane::childEvent(QChildEvent *event)
{
    QWebEngineView::childEvent(event);
    // For a colour field of the page, the view opens a colour dialog of its
    // own, which holds the page's window until it is answered, and there is
    // no asking it not to. Made ready to show, it is kept off the screen and
    // dismissed, as if closed at once; the field keeps its colour.
    if (event->type() != QEvent::ChildPolished)
        return;
    if (auto *colours = qobject_cast<QColorDialog *>(event->child())) {
        colours->setAttribute(Qt::WA_DontShowOnScreen);
        QMetaObject::invokeMethod(colours, &QDialog::reject, Qt::QueuedConnection);
    }
}

} // namespace shell
