#include "browser_pane.h"

#include "runtime_error.h"

#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>

namespace shell {

namespace {

// The sites' pages log to their consoles; that is no concern of the listener's
// and does not belong on the program's standard error.
class ListenPage : public QWebEnginePage
{
public:
    ListenPage(QWebEngineProfile &profile, QObject *parent)
        : QWebEnginePage(&profile, parent)
    {
    }

protected:
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString &, int,
                                  const QString &) override
    {
    }
};

} // namespace

std::unique_ptr<QWebEngineProfile> createBrowserProfile()
{
    auto profile = std::make_unique<QWebEngineProfile>(); // no storage name: off the record
    profile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    profile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    profile->settings()->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, false);
    return profile;
}

BrowserPane::BrowserPane(QWebEngineProfile &profile, QWidget *parent)
    : QWebEngineView(parent)
{
    setPage(new ListenPage(profile, this));
    // The view hands the focus on to the web content inside it; taking it
    // itself puts the pane in its page's tab order.
    setFocusPolicy(Qt::StrongFocus);
}

void BrowserPane::navigate(const QString &address)
{
    // Tolerant parsing, as for a typed address: raw letters and blanks are
    // encoded on the wire, an escape already written ("%20") stays as it is.
    const QUrl url = QUrl::fromUserInput(address);
    if (!url.isValid())
        raiseRuntimeError(objectName(), QStringLiteral("Navigate"), url.errorString());
    load(url);
}

} // namespace shell
