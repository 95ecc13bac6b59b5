#pragma once

// Helpers for suites that load pages from the local listen site into real
// browser panes: waiting for the site, reading the listen page's player, and
// writing an address the way the browser puts it on the wire.

#include "../catalogue/listen_address_table.h"
#include "shell_test_support.h"

#include <listen_site.h>

#include <QByteArray>
#include <QEventLoop>
#include <QPointer>
#include <QString>
#include <QTest>
#include <QTimer>
#include <QVariant>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineProfile>

#include <memory>
#include <optional>
#include <string_view>

namespace testsupport {

// How long a wait for something the engine does may take before the test
// gives up. It only stops a test that hangs: the sanitizer builds under load
// take seconds for what takes a fraction of one otherwise.
constexpr int kEngineTimeoutMs = 60000;

// The request target a browser sends for `address` ("http://host/..."): the
// UTF-8 bytes of non-ASCII letters as uppercase %XX, a literal blank as %20,
// every other character (an escape already written included) as it stands.
inline QByteArray browserTarget(std::string_view address)
{
    constexpr std::string_view scheme = "http://";
    if (address.substr(0, scheme.size()) == scheme)
        address.remove_prefix(scheme.size());
    const std::size_t slash = address.find('/');
    address = slash == std::string_view::npos ? std::string_view("/") : address.substr(slash);

    static constexpr char hex[] = "0123456789ABCDEF";
    QByteArray target;
    for (const char c : address) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x80 || byte == ' ') {
            target += '%';
            target += hex[byte >> 4];
            target += hex[byte & 0x0F];
        } else {
            target += c;
        }
    }
    return target;
}

inline QByteArray browserTarget(const QString &address)
{
    const QByteArray utf8 = address.toUtf8();
    return browserTarget(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

// Runs the event loop until `predicate` holds or `timeoutMs` has passed, and
// says whether it holds. Unlike QTest::qWaitFor, which processes events and
// sleeps in turns, this keeps a real loop running, which the web engine
// needs to answer promptly (its replies come several times faster).
template <typename Predicate>
bool waitUntil(Predicate predicate, int timeoutMs = kEngineTimeoutMs)
{
    if (predicate())
        return true;
    QEventLoop loop;
    bool holds = false;
    // One check at a time: a predicate may run a loop of its own (evaluate()),
    // so the next poll is armed only once the last check has returned.
    QTimer poll;
    poll.setSingleShot(true);
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (predicate()) {
            holds = true;
            loop.quit();
        } else {
            poll.start();
        }
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    poll.start();
    loop.exec();
    return holds || predicate();
}

// The request target that `form`'s surah button `button` asks the site for,
// from the written-out table of every address, as the browser puts it on the
// wire; nothing for a button without an address.
inline std::optional<QByteArray> listedTarget(const ListenAddressTable &table, const QString &form,
                                              int button)
{
    const ListedAddress *listed = table.find(form, button);
    if (!listed)
        return std::nullopt;
    return browserTarget(listed->target);
}

// The recitation pages, in page order.
inline QStringList recitationForms()
{
    return {QStringLiteral("Form1"), QStringLiteral("Form3"), QStringLiteral("Form4"),
            QStringLiteral("Form5"), QStringLiteral("Form6"), QStringLiteral("Form7"),
            QStringLiteral("Form8"), QStringLiteral("Form9"), QStringLiteral("Form10")};
}

// Opens page `form` (creating it if need be), shows it and waits until it is
// on screen; nullptr if it never got there.
inline shell::RecitationPage *openPage(ShellFixture &fixture, const QString &form)
{
    auto *page = qobject_cast<shell::RecitationPage *>(fixture.runtime().window(form));
    if (!page)
        return nullptr;
    page->show();
    return QTest::qWaitForWindowExposed(page) ? page : nullptr;
}

// Unloads every window, so that the next test opens fresh ones.
inline void unloadEverything(ShellFixture &fixture)
{
    for (const QString &form : recitationForms())
        fixture.runtime().unload(form);
    fixture.runtime().unload(QStringLiteral("Form2"));
    flushDeferredDeletes();
}

// The listen-page requests the site has received, oldest first.
inline QList<ListenSite::Request> listenPageRequestList(const ListenSite &site)
{
    QList<ListenSite::Request> pages;
    for (const ListenSite::Request &request : site.requests()) {
        if (!ListenSite::isSoundTarget(request.target) && !ListenSite::isFaviconTarget(request.target))
            pages << request;
    }
    return pages;
}

// True once the site has received at least `count` listen-page requests.
inline bool waitForListenPageRequests(const ListenSite &site, int count, int timeoutMs = kEngineTimeoutMs)
{
    return waitUntil([&] { return site.listenPageRequests() >= count; }, timeoutMs);
}

// Runs `script` in `page` and waits for its result; an invalid QVariant if
// none came in time. A script sent while a navigation replaces the document
// may never be answered, so the wait is short and callers poll. The result
// lands in shared state, so a late answer writes nowhere it should not.
inline QVariant evaluate(QWebEnginePage *page, const QString &script, int timeoutMs = 1000)
{
    struct Answer {
        bool arrived = false;
        QVariant value;
    };
    auto answer = std::make_shared<Answer>();
    QEventLoop loop;
    QPointer<QEventLoop> waiting(&loop);
    page->runJavaScript(script, [answer, waiting](const QVariant &value) {
        answer->value = value;
        answer->arrived = true;
        if (waiting)
            waiting->quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    if (!answer->arrived)
        loop.exec();
    if (!answer->arrived)
        return {};
    return answer->value;
}

// True once the document in `page` is the listen page the site served for
// `target` (the page shows the target it was asked for).
inline bool waitForListenPage(QWebEnginePage *page, const QByteArray &target, int timeoutMs = kEngineTimeoutMs)
{
    const QString script = QStringLiteral(
        "(function(){ var t = document.getElementById('target'); return t ? t.textContent : ''; })()");
    return waitUntil([&] { return evaluate(page, script).toString().toUtf8() == target; },
                           timeoutMs);
}

// The listen page's player position in seconds; -1 when the page has no
// player or did not answer.
inline double playerCurrentTime(QWebEnginePage *page)
{
    const QVariant value = evaluate(
        page, QStringLiteral("(function(){ var p = document.getElementById('player');"
                             " return p ? p.currentTime : -1; })()"));
    bool ok = false;
    const double seconds = value.toDouble(&ok);
    return ok ? seconds : -1.0;
}

// Whether the listen page's player is paused; true when there is none.
inline bool playerPaused(QWebEnginePage *page)
{
    const QVariant value = evaluate(
        page, QStringLiteral("(function(){ var p = document.getElementById('player');"
                             " return p ? p.paused : true; })()"));
    return !value.isValid() || value.toBool();
}

// True once the player has played on by `seconds` from when this is asked,
// so it plays and has not merely loaded. The sound loops, so a position that
// falls back has gone round: the time since the start counts as played.
inline bool waitForPlayback(QWebEnginePage *page, double seconds = 0.3, int timeoutMs = kEngineTimeoutMs)
{
    double previous = -1.0;
    if (!waitUntil([&] { return (previous = playerCurrentTime(page)) >= 0.0; }, timeoutMs))
        return false;
    double played = 0.0;
    return waitUntil(
        [&] {
            const double now = playerCurrentTime(page);
            if (now < 0.0)
                return false;
            played += now >= previous ? now - previous : now;
            previous = now;
            return played >= seconds;
        },
        timeoutMs);
}

// The barrier for a check that nothing was asked of `site`: a request asked
// for after everything that should have sent nothing. A page of its own on
// `profile` (the panes' profile) loads `target` from the site, muted; once
// the site has that request and the page has loaded, a request asked for
// before it would have arrived as well.
inline bool passRequestBarrier(QWebEngineProfile *profile, const ListenSite &site, const QByteArray &target)
{
    QWebEnginePage barrier(profile);
    barrier.setAudioMuted(true);
    bool loaded = false;
    QObject::connect(&barrier, &QWebEnginePage::loadFinished, &barrier, [&loaded] { loaded = true; });
    barrier.load(QUrl(QLatin1String("http://") + site.host() + QString::fromLatin1(target)));
    return waitUntil([&] { return loaded && site.listenPageTargets().contains(target); });
}

} // namespace testsupport
