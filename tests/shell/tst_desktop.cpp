// The program on a desktop, against a site that misbehaves: under a private X
// server with GL, as a listener meets it, with real input from the X server.
//
// - A site's dialogs (message, question, prompt, file chooser) never open on
//   the desktop: they would hold every window of the program until answered.
// - A page that would rather not be left cannot hold a surah click.
// - A password that the site or a proxy asks for is refused at once, and so
//   is every permission a page asks for: the page goes on, nobody is asked.
// - A page's script opens no window by itself, and the listener's click in
//   the page opens none on the desktop either.
// - A whole session leaves the listener's home and temporary folders as they
//   were, with pages that use the browser's storage; only the shared shader
//   caches of the GL driver and of Qt may be there.
// - Without a display the program says so and ends with status 1, not a crash.
// - A double click on Enlarge does not go on to the surah button it uncovers,
//   and one on a recording button does not go on to the page it opens; a
//   click a moment later counts.
// - SIGTERM, SIGINT and SIGHUP end the program as Exit does: no engine
//   process and no scratch folder of its own stays behind.
// - Enter presses the focused button, on the menu and on a page.

#include "child_process_support.h"
#include "desktop/xvfb_server.h"
#include "engine_test_support.h"

#include <gl_drivers.h>
#include <listen_site.h>
#include <listener_click.h>

#include <shell/browser_pane.h>
#include <shell/form_button.h>
#include <shell/forms_runtime.h>
#include <shell/recitation_page.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QNetworkProxy>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStyleHints>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>

#include <csignal>
#include <functional>
#include <memory>

#include <unistd.h>

using testsupport::ListenSite;
using testsupport::waitUntil;

namespace {

// A bound that only stops a wait for a child that never ends.
constexpr int kChildTimeoutMs = 90000;

// A recitation site that is not on this machine: the engine asks the proxy
// for it, where it would go to a loopback address itself.
const QString kSiteBeyondTheProxy = QStringLiteral("direct-listen.invalid");

// Whether the site has been asked for `target`. The pages of these tests
// report what they did by asking for /report/<what>.
bool asked(const ListenSite &site, const QByteArray &target)
{
    const QList<ListenSite::Request> requests = site.requests();
    return std::any_of(requests.cbegin(), requests.cend(),
                       [&](const ListenSite::Request &request) { return request.target == target; });
}

// Real input, through the X server: xdotool with its arguments.
bool xdotool(const QStringList &arguments)
{
    return QProcess::execute(QStringLiteral("xdotool"), arguments) == 0;
}

bool clickAt(const QPoint &global, int clicks = 1)
{
    return xdotool({QStringLiteral("mousemove"), QStringLiteral("--sync"), QString::number(global.x()),
                    QString::number(global.y()), QStringLiteral("click"), QStringLiteral("--repeat"),
                    QString::number(clicks), QStringLiteral("--delay"), QStringLiteral("60"),
                    QStringLiteral("1")});
}

// Clicks where the pointer is, without moving it.
bool clickInPlace(int clicks)
{
    return xdotool({QStringLiteral("click"), QStringLiteral("--repeat"), QString::number(clicks),
                    QStringLiteral("--delay"), QStringLiteral("60"), QStringLiteral("1")});
}

bool clickOn(QWidget *widget)
{
    return clickAt(widget->mapToGlobal(widget->rect().center()));
}

// Moves the pointer onto the middle of `widget`.
bool pointAt(QWidget *widget)
{
    const QPoint global = widget->mapToGlobal(widget->rect().center());
    return xdotool({QStringLiteral("mousemove"), QStringLiteral("--sync"), QString::number(global.x()),
                    QString::number(global.y())});
}

// A click where the pointer is, given once the desktop's double-click time
// has passed since this call: the listener's pause is part of the input.
bool clickInPlaceAfterDoubleClickTime()
{
    const int pauseMs = QGuiApplication::styleHints()->mouseDoubleClickInterval() + 200;
    return xdotool({QStringLiteral("sleep"), QString::number(pauseMs / 1000.0, 'f', 3),
                    QStringLiteral("click"), QStringLiteral("1")});
}

// The windows on the desktop other than `expected`: a site's dialog, say.
QStringList otherVisibleWindows(const QWidget *expected)
{
    QStringList others;
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (window != expected && window->isVisible())
            others << QString::fromLatin1(window->metaObject()->className()) + QLatin1Char(' ')
                    + window->windowTitle();
    }
    return others;
}

const QByteArray kLoopingDialogs = R"(<!doctype html><html><body><script>
var asked = 0;
function ask() {
    %1;
    if (++asked == 20) fetch('/report/twenty');
    setTimeout(ask, 0);
}
ask();
</script></body></html>)";

const QByteArray kAnswers = R"(<!doctype html><html><body><script>
fetch('/report/answers?confirm=' + confirm('Sure?') + '&prompt=' + prompt('Name?', 'guest'));
</script></body></html>)";

// A page that opens a chooser (of the input type %1) at the listener's first
// click inside it, and from then on asks before it is left (a page may ask
// only once the listener has used it). It is ready for that click once its
// first content is painted (/report/ready-<type>): the browser passes no
// click to a page before that. The type in the report keeps a page of the
// row before, still reporting as it goes, from passing for this one.
const QByteArray kChooserThatWillNotBeLeft = R"(<!doctype html><html><body style="height: 100vh">
<h1>Listen</h1>
<input type="%1" id="chooser">
<script>
addEventListener('beforeunload', function (e) { e.preventDefault(); e.returnValue = ''; });
addEventListener('mousedown', function () {
    document.getElementById('chooser').click();
    fetch('/report/clicked');
});
new PerformanceObserver(function (entries) {
    if (entries.getEntriesByName('first-contentful-paint').length)
        fetch('/report/ready-%1');
}).observe({type: 'paint', buffered: true});
</script></body></html>)";

const QByteArray kStoresAndPlays = R"(<!doctype html><html><body>
<audio id="player" src="/sound.wav" loop></audio>
<script>
localStorage.setItem('surah', '1');
sessionStorage.setItem('surah', '1');
document.cookie = 'surah=1; max-age=86400';
var open = indexedDB.open('listening', 1);
open.onupgradeneeded = function () { open.result.createObjectStore('places'); };
open.onsuccess = function () { fetch('/report/stored'); document.getElementById('player').play(); };
open.onerror = function () { fetch('/report/failed'); };
</script></body></html>)";

// What a page asking for every permission at once learns of each, as it
// reports it: /report/<what>=<answer>.
const QByteArray kAsksForPermissions = R"(<!doctype html><html><body><script>
function report(what, answer) { fetch('/report/' + what + '=' + answer); }
Notification.requestPermission().then(function (answer) { report('notifications', answer); });
navigator.geolocation.getCurrentPosition(
    function () { report('location', 'granted'); },
    function (e) { report('location', e.code == e.PERMISSION_DENIED ? 'denied' : 'failed-' + e.code); });
</script></body></html>)";

// A page that opens a window (for the address /report/opened) as soon as it
// has loaded, when %1 is "by-itself", or at the listener's first click
// inside it, when %1 is "at-click"; it reports what window.open gave it as
// /report/<when>=window or /report/<when>=null. It is ready for that click
// once its first content is painted (/report/ready-<when>).
const QByteArray kOpensAWindow = R"(<!doctype html><html><body style="height: 100vh">
<h1>Listen</h1>
<script>
function openAWindow(when) {
    var opened = window.open('/report/opened');
    fetch('/report/' + when + '=' + (opened ? 'window' : 'null'));
}
if ('%1' == 'by-itself')
    openAWindow('%1');
addEventListener('mousedown', function () { openAWindow('%1'); }, {once: true});
new PerformanceObserver(function (entries) {
    if (entries.getEntriesByName('first-contentful-paint').length)
        fetch('/report/ready-%1');
}).observe({type: 'paint', buffered: true});
</script></body></html>)";

// What the site has been told by the pages of these tests.
QList<QByteArray> reports(const ListenSite &site)
{
    QList<QByteArray> told;
    for (const QByteArray &target : site.listenPageTargets()) {
        if (target.startsWith("/report/"))
            told << target;
    }
    return told;
}

// What a page has reported of `what` as /report/<what>=<answer>; empty
// until it has.
QByteArray reportedAnswer(const ListenSite &site, const QByteArray &what)
{
    const QByteArray prefix = "/report/" + what + '=';
    const QList<QByteArray> told = reports(site);
    const auto report = std::find_if(told.cbegin(), told.cend(),
                                     [&](const QByteArray &target) { return target.startsWith(prefix); });
    return report == told.cend() ? QByteArray() : report->mid(prefix.size());
}

// The shared shader caches under the cache home: the GL driver's (Mesa's)
// and Qt's (one folder per processor and ABI), kept for every program drawn
// with GL, not the program's own.
bool inSharedShaderCache(const QString &path)
{
    static const QRegularExpression sharedCache(QStringLiteral(
        "^\\.cache(/(mesa_shader_cache(_sf|_db)?|qtshadercache-[^/]+)(/.*)?)?$"));
    return sharedCache.match(path).hasMatch();
}

// A session's temporary folder ("tmp") and runtime folder ("run", the
// owner's alone, as a session's is) in `root`; false if they cannot be made.
bool makeSessionFolders(const QString &root)
{
    const QDir session(root);
    return session.mkdir(QStringLiteral("tmp")) && session.mkdir(QStringLiteral("run"))
        && QFile::setPermissions(session.filePath(QStringLiteral("run")),
                                 QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

// Every file and folder under `root`, by path relative to it.
QStringList contentsOf(const QString &root)
{
    QStringList found;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        found << QDir(root).relativeFilePath(it.next());
    found.sort();
    return found;
}

} // namespace

class DesktopTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void siteDialogsNeverOpen_data();
    void siteDialogsNeverOpen();
    void siteQuestionsGetTheAnswersOfADismissedDialog();
    void noChooserAndNoPageHoldsASurahClick_data();
    void noChooserAndNoPageHoldsASurahClick();
    void aPasswordIsAskedForOnce_data();
    void aPasswordIsAskedForOnce();
    void everyPermissionIsDeniedAtOnce();
    void noWindowOpens_data();
    void noWindowOpens();

    void doubleClickOnEnlargeStaysOnEnlarge();
    void doubleClickOnARecordingOnlyOpensItsPage_data();
    void doubleClickOnARecordingOnlyOpensItsPage();
    void doubleClickOnBackOnlyShowsTheMenu();
    void enterPressesTheFocusedButton_data();
    void enterPressesTheFocusedButton();

    void sessionLeavesHomeAndTemporaryFoldersAsTheyWere();
    void withoutADisplayItSaysSoAndEnds_data();
    void withoutADisplayItSaysSoAndEnds();
    void aSignalEndsTheProgramAsExitDoes_data();
    void aSignalEndsTheProgramAsExitDoes();

private:
    shell::RecitationPage *openForm1();
    shell::RecitationPage *openForm1Serving(const QByteArray &html);
    QWidget *clickThroughAMove(const QPoint &target, int clicks, const std::function<QWidget *()> &next);
    bool surahRequested(int button) const;
    void useHosts(const QString &host);

    ListenAddressTable addresses_{QStringLiteral(LISTEN_ADDRESSES)};
    ListenSite site_;
    // The proxy the engine goes through for every host that is not a
    // loopback address; it asks for a password, always.
    ListenSite proxy_;
    std::unique_ptr<testsupport::ShellFixture> fixture_;
    int doubleClickInterval_ = 0; // the desktop's own
};

void DesktopTest::initTestCase()
{
    QVERIFY2(addresses_.isValid(), qPrintable(addresses_.error()));
    doubleClickInterval_ = QGuiApplication::styleHints()->mouseDoubleClickInterval();
    QVERIFY2(site_.listen(), qPrintable(site_.errorString()));
    QVERIFY2(proxy_.listen(), qPrintable(proxy_.errorString()));
    proxy_.setPageStatus("407 Proxy Authentication Required",
                         "Proxy-Authenticate: Basic realm=\"proxy\"\r\n");
    // The engine reads the application's proxy when it starts.
    QNetworkProxy::setApplicationProxy(
        QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), proxy_.port()));
    QVERIFY2(QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("version")}) == 0,
             "xdotool is needed for real input");
}

void DesktopTest::init()
{
    site_.clearRequests();
    proxy_.clearRequests();
    useHosts(site_.host());
}

void DesktopTest::cleanup()
{
    fixture_->runtime().end();
    testsupport::flushDeferredDeletes();
    fixture_.reset();
    site_.setPage({});
    site_.setPageStatus({});
    QGuiApplication::styleHints()->setMouseDoubleClickInterval(doubleClickInterval_);
}

// A program whose recitation sites are both on `host`.
void DesktopTest::useHosts(const QString &host)
{
    if (fixture_) {
        fixture_->runtime().end();
        testsupport::flushDeferredDeletes();
    }
    const std::string name = host.toStdString();
    fixture_ = std::make_unique<testsupport::ShellFixture>(catalogue::SiteHosts{name, name});
}

shell::RecitationPage *DesktopTest::openForm1()
{
    fixture_->runtime().show(QStringLiteral("Form1"));
    shell::RecitationPage *page = fixture_->page(QStringLiteral("Form1"));
    if (!page || !QTest::qWaitForWindowExposed(page))
        return nullptr;
    // The web content takes clicks only in the active window; there is no
    // window manager here to make the clicked window active.
    page->activateWindow();
    return QTest::qWaitForWindowActive(page) ? page : nullptr;
}

// Opens Form1 with the site serving `html` for every address, and clicks
// surah 1, which loads it.
shell::RecitationPage *DesktopTest::openForm1Serving(const QByteArray &html)
{
    site_.setPage(html);
    shell::RecitationPage *page = openForm1();
    if (page)
        testsupport::clickLikeAListener(page->button(1));
    return page;
}

namespace {

// The direct-listen address of surah button `button` holds this field.
QByteArray surahField(int button)
{
    return "&C_id=" + QByteArray::number(button) + '&';
}

// How many times `site` has been asked for the direct-listen address of
// surah button `button`.
int surahRequests(const ListenSite &site, int button)
{
    const QList<QByteArray> targets = site.listenPageTargets();
    return int(std::count_if(targets.cbegin(), targets.cend(),
                             [&](const QByteArray &target) { return target.contains(surahField(button)); }));
}

// The addresses whose loads in a page have come to an end, one way or the
// other; it goes with the page.
class EndedLoads : public QObject
{
public:
    explicit EndedLoads(QWebEnginePage *page)
        : QObject(page)
    {
        connect(page, &QWebEnginePage::loadingChanged, this, &EndedLoads::record);
    }

    bool ofSurah(int button) const
    {
        return std::any_of(ended_.cbegin(), ended_.cend(),
                           [&](const QByteArray &url) { return url.contains(surahField(button)); });
    }

private:
    void record(const QWebEngineLoadingInfo &info)
    {
        if (info.status() != QWebEngineLoadingInfo::LoadStartedStatus)
            ended_ << info.url().toEncoded();
    }

    QList<QByteArray> ended_;
};

} // namespace

bool DesktopTest::surahRequested(int button) const
{
    return surahRequests(site_, button) > 0;
}

void DesktopTest::siteDialogsNeverOpen_data()
{
    QTest::addColumn<QByteArray>("call");
    QTest::newRow("message") << QByteArray("alert('Listen!')");
    QTest::newRow("question") << QByteArray("confirm('Stay?')");
    QTest::newRow("prompt") << QByteArray("prompt('Name?', 'guest')");
}

void DesktopTest::siteDialogsNeverOpen()
{
    QFETCH(QByteArray, call);
    shell::RecitationPage *page = openForm1Serving(QByteArray(kLoopingDialogs).replace("%1", call));
    QVERIFY(page);
    // Twenty dialogs in a row, each answered without anyone at the desktop.
    QVERIFY(waitUntil([&] { return asked(site_, "/report/twenty"); }));
    QCOMPARE(otherVisibleWindows(page), QStringList());
    QVERIFY(!QApplication::activeModalWidget());

    // Exit still ends the program while the site goes on asking.
    QSignalSpy ended(&fixture_->runtime(), &shell::FormsRuntime::ended);
    QVERIFY(clickOn(page->button(115)));
    QVERIFY(waitUntil([&] { return ended.count() == 1; }));
}

void DesktopTest::siteQuestionsGetTheAnswersOfADismissedDialog()
{
    QVERIFY(openForm1Serving(kAnswers));
    QVERIFY(waitUntil([&] { return asked(site_, "/report/answers?confirm=false&prompt=null"); }));
}

void DesktopTest::noChooserAndNoPageHoldsASurahClick_data()
{
    QTest::addColumn<QByteArray>("inputType");
    QTest::newRow("file chooser") << QByteArray("file");
    QTest::newRow("colour chooser") << QByteArray("color");
}

void DesktopTest::noChooserAndNoPageHoldsASurahClick()
{
    QFETCH(QByteArray, inputType);
    shell::RecitationPage *page
        = openForm1Serving(QByteArray(kChooserThatWillNotBeLeft).replace("%1", inputType));
    QVERIFY(page);
    QVERIFY(waitUntil([&] { return asked(site_, "/report/ready-" + inputType); }));
    QVERIFY(clickOn(page->browserPane()));
    QVERIFY(waitUntil([&] { return asked(site_, "/report/clicked"); }));

    // The next surah replaces the page at once: no question whether to leave
    // it, and no chooser has opened meanwhile.
    testsupport::clickLikeAListener(page->button(2));
    QVERIFY2(waitUntil([&] { return surahRequested(2); }), qPrintable(otherVisibleWindows(page).join(u',')));
    QCOMPARE(otherVisibleWindows(page), QStringList());
    QVERIFY(!QApplication::activeModalWidget());
}

void DesktopTest::aPasswordIsAskedForOnce_data()
{
    QTest::addColumn<bool>("throughProxy");
    QTest::newRow("the site asks") << false;
    QTest::newRow("a proxy asks") << true;
}

// Nobody can give a password: the engine must not go on asking the site with
// none, and no login window may open.
void DesktopTest::aPasswordIsAskedForOnce()
{
    QFETCH(bool, throughProxy);
    ListenSite &asking = throughProxy ? proxy_ : site_;
    if (throughProxy)
        useHosts(kSiteBeyondTheProxy);
    else
        site_.setPageStatus("401 Unauthorized", "WWW-Authenticate: Basic realm=\"listen\"\r\n");

    shell::RecitationPage *page = openForm1();
    QVERIFY(page);
    const auto *loads = new EndedLoads(page->browserPane()->page());
    testsupport::clickLikeAListener(page->button(1));
    QVERIFY(waitUntil([&] { return loads->ofSurah(1); }));

    // A later surah's request: anything asked for surah 1 has arrived by then.
    testsupport::clickLikeAListener(page->button(2));
    QVERIFY(waitUntil([&] { return surahRequests(asking, 2) > 0; }));
    QCOMPARE(surahRequests(asking, 1), 1);
    QCOMPARE(otherVisibleWindows(page), QStringList());
    QVERIFY(!QApplication::activeModalWidget());
}

void DesktopTest::everyPermissionIsDeniedAtOnce()
{
    QVERIFY(openForm1Serving(kAsksForPermissions));
    const QList<QByteArray> denied{"/report/notifications=denied", "/report/location=denied"};
    const bool allDenied = waitUntil([&] {
        const QList<QByteArray> told = reports(site_);
        return std::all_of(denied.cbegin(), denied.cend(),
                           [&](const QByteArray &answer) { return told.contains(answer); });
    });
    QVERIFY2(allDenied, reports(site_).join(' ').constData());
}

void DesktopTest::noWindowOpens_data()
{
    QTest::addColumn<QByteArray>("when");
    QTest::addColumn<QByteArray>("given");
    // A script alone is refused at once. At a click, the page is given a
    // window, which the view then opens nowhere.
    QTest::newRow("the page's script by itself") << QByteArray("by-itself") << QByteArray("null");
    QTest::newRow("at the listener's click in the page") << QByteArray("at-click") << QByteArray("window");
}

void DesktopTest::noWindowOpens()
{
    QFETCH(QByteArray, when);
    QFETCH(QByteArray, given);
    shell::RecitationPage *page = openForm1Serving(QByteArray(kOpensAWindow).replace("%1", when));
    QVERIFY(page);
    if (when == "at-click") {
        QVERIFY(waitUntil([&] { return asked(site_, "/report/ready-" + when); }));
        QVERIFY(clickOn(page->browserPane()));
    }
    QVERIFY(waitUntil([&] { return !reportedAnswer(site_, when).isEmpty(); }));
    QCOMPARE(reportedAnswer(site_, when), given);

    // A later surah's request: the window's address would have been asked for by then.
    testsupport::clickLikeAListener(page->button(2));
    QVERIFY(waitUntil([&] { return surahRequested(2); }));
    QVERIFY2(!asked(site_, "/report/opened"), reports(site_).join(' ').constData());
    QCOMPARE(otherVisibleWindows(page), QStringList());
}

void DesktopTest::doubleClickOnEnlargeStaysOnEnlarge()
{
    site_.setPage(kStoresAndPlays);
    shell::RecitationPage *page = openForm1();
    QVERIFY(page);
    QVERIFY(clickOn(page->button(1)));
    QVERIFY(waitUntil([&] { return surahRequested(1); }));

    QVERIFY(clickOn(page->button(118)));
    shell::FormButton *enlarge = page->button(117);
    QVERIFY(waitUntil([&] { return enlarge->isVisible(); }));

    // Double click where Enlarge lies over surah button 14.
    shell::FormButton *covered = page->button(14);
    const QPoint target = covered->mapToGlobal(covered->rect().center());
    QVERIFY(enlarge->rect().contains(enlarge->mapFromGlobal(target)));
    QVERIFY(clickAt(target, 2));

    // Shrink again: its click comes after the whole double click, so by the
    // time the page is compact, a press on surah 14 would have been taken.
    QVERIFY(waitUntil([&] { return !enlarge->isVisible(); }));
    QVERIFY(clickOn(page->button(118)));
    QVERIFY(waitUntil([&] { return enlarge->isVisible(); }));
    // A later address replaces one not yet sent, so the pane is asked, not the site.
    const QByteArray requested = page->browserPane()->page()->requestedUrl().toEncoded();
    QVERIFY2(requested.contains("&C_id=1&"), requested.constData());
    QVERIFY(!surahRequested(14));
}

void DesktopTest::doubleClickOnARecordingOnlyOpensItsPage_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("form");
    QTest::addColumn<int>("clicks");
    for (const testsupport::design::MenuButton &entry : testsupport::design::menuButtons()) {
        if (!entry.opens.isEmpty())
            QTest::addRow("%s, a double click", qPrintable(entry.name)) << entry.name << entry.opens << 2;
    }
    QTest::newRow("Command1, a triple click") << QStringLiteral("Command1") << QStringLiteral("Form1") << 3;
}

// Clicks `clicks` times at `target`, where the first click takes the
// listener to another window, `next()` once it is there: the presses after
// the first are given once that window is on the screen, where they land on
// whatever it has under the pointer. How soon that is depends on the build
// and the machine; the desktop's double-click time is set long enough to
// take it in, until the test ends. The window, or nullptr if it never came.
QWidget *DesktopTest::clickThroughAMove(const QPoint &target, int clicks, const std::function<QWidget *()> &next)
{
    QElapsedTimer sinceFirstClick;
    sinceFirstClick.start();
    QWidget *window = nullptr;
    if (!clickAt(target) || !waitUntil([&] { return (window = next()) != nullptr; })
        || !QTest::qWaitForWindowExposed(window))
        return nullptr;
    QGuiApplication::styleHints()->setMouseDoubleClickInterval(int(sinceFirstClick.elapsed()) + 1000);
    return clickInPlace(clicks - 1) ? window : nullptr;
}

// The first click opens the page where the menu was; the presses after it
// land on whatever button of the page now lies under the pointer.
void DesktopTest::doubleClickOnARecordingOnlyOpensItsPage()
{
    QFETCH(QString, button);
    QFETCH(QString, form);
    QFETCH(int, clicks);
    fixture_->runtime().show(QStringLiteral("Form2"));
    QWidget *menu = fixture_->runtime().existing(QStringLiteral("Form2"));
    QVERIFY(menu && QTest::qWaitForWindowExposed(menu));
    auto *recording = menu->findChild<QAbstractButton *>(button);
    QVERIFY(recording);
    const QPoint target = recording->mapToGlobal(recording->rect().center());

    shell::RecitationPage *page = nullptr;
    QVERIFY(clickThroughAMove(target, clicks, [&]() -> QWidget * {
        page = fixture_->page(form);
        return page && page->isVisible() && !menu->isVisible() ? page : nullptr;
    }));

    // Then the listener clicks a surah of the page on purpose: the first
    // with an address, other than the button under the double click.
    const QWidget *underDoubleClick = QApplication::widgetAt(target);
    int later = 1;
    while (!addresses_.find(form, later) || page->button(later) == underDoubleClick)
        ++later;
    const std::optional<QByteArray> laterTarget = testsupport::listedTarget(addresses_, form, later);
    QWidget *laterButton = page->button(later);
    QVERIFY(pointAt(laterButton));
    // The pointer has come onto that button once the page has taken every
    // press before: by then the pane would have been given an address.
    QVERIFY(waitUntil([&] { return laterButton->underMouse(); }));
    const QUrl given = page->browserPane()->page()->requestedUrl();
    QVERIFY2(given.isEmpty(), given.toEncoded().constData());

    QVERIFY(clickInPlaceAfterDoubleClickTime());
    QVERIFY(waitUntil([&] { return site_.listenPageTargets().contains(*laterTarget); }));
    // Its request comes after anything the double click sent.
    QCOMPARE(site_.listenPageTargets(), QList<QByteArray>{*laterTarget});
}

// The listener has moved the menu so that a recording button lies under a
// page's Back: a double click on Back shows the menu and opens nothing.
void DesktopTest::doubleClickOnBackOnlyShowsTheMenu()
{
    shell::FormsRuntime &runtime = fixture_->runtime();
    runtime.show(QStringLiteral("Form2"));
    QWidget *menu = runtime.existing(QStringLiteral("Form2"));
    QVERIFY(menu && QTest::qWaitForWindowExposed(menu));
    auto *recording = menu->findChild<QAbstractButton *>(QStringLiteral("Command2"));
    QVERIFY(recording);
    testsupport::clickLikeAListener(recording);
    shell::RecitationPage *page = fixture_->page(QStringLiteral("Form3"));
    QVERIFY(page && QTest::qWaitForWindowExposed(page));
    const QPoint back = page->button(116)->mapToGlobal(page->button(116)->rect().center());
    menu->move(menu->pos() + back - recording->mapToGlobal(recording->rect().center()));

    QVERIFY(clickThroughAMove(back, 2, [&]() -> QWidget * {
        return menu->isVisible() && !runtime.existing(QStringLiteral("Form3")) ? menu : nullptr;
    }));
    QCOMPARE(QApplication::widgetAt(back), recording);

    // Once the pointer is on another button of the menu, the menu has taken
    // every press before.
    auto *other = menu->findChild<QAbstractButton *>(QStringLiteral("Command1"));
    QVERIFY(pointAt(other));
    QVERIFY(waitUntil([&] { return other->underMouse(); }));
    QVERIFY(menu->isVisible());
    QVERIFY(!runtime.existing(QStringLiteral("Form3")));
}

void DesktopTest::enterPressesTheFocusedButton_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("key");
    QTest::newRow("menu, Return on the first recording") << QStringLiteral("Form2") << QStringLiteral("Return");
    QTest::newRow("page, keypad Enter on the first surah") << QStringLiteral("Form1") << QStringLiteral("KP_Enter");
}

void DesktopTest::enterPressesTheFocusedButton()
{
    QFETCH(QString, window);
    QFETCH(QString, key);
    site_.setPage(kStoresAndPlays);
    fixture_->runtime().show(window);
    QWidget *shown = fixture_->runtime().existing(window);
    QVERIFY(shown);
    shown->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(shown));

    QVERIFY(xdotool({QStringLiteral("key"), key}));
    if (window == QLatin1String("Form2")) {
        QVERIFY(waitUntil([&] {
            QWidget *page = fixture_->page(QStringLiteral("Form1"));
            return page && page->isVisible() && !shown->isVisible();
        }));
    } else {
        QVERIFY(waitUntil([&] { return surahRequested(1); }));
    }
}

void DesktopTest::sessionLeavesHomeAndTemporaryFoldersAsTheyWere()
{
    site_.setPage(kStoresAndPlays);
    QTemporaryDir session;
    QVERIFY(session.isValid());
    const QString home = session.path();
    QVERIFY(makeSessionFolders(home));

    QProcessEnvironment env = testsupport::childEnvironment(testsupport::newMarkerEntry());
    for (const char *folder : {"XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME"})
        env.remove(QString::fromLatin1(folder));
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("TMPDIR"), home + QStringLiteral("/tmp"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home + QStringLiteral("/run"));

    QProcess program;
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(SORVANTEL_SCENARIO),
                  {QStringLiteral("--hosts"), site_.host(), site_.host(), QStringLiteral("click:Form2/Command1"),
                   QStringLiteral("click:Form1/Command1"), QStringLiteral("wait-playing:Form1"),
                   QStringLiteral("click:Form1/Command115")});
    // The site answers from this process's event loop, which runs meanwhile.
    QVERIFY(waitUntil([&] { return program.state() == QProcess::NotRunning; }, kChildTimeoutMs));
    QVERIFY2(program.exitStatus() == QProcess::NormalExit && program.exitCode() == 0,
             program.readAllStandardError().constData());
    QVERIFY(site_.soundRequests() > 0);

    QStringList left = contentsOf(home);
    left.removeIf(inSharedShaderCache);
    QCOMPARE(left, (QStringList{QStringLiteral("run"), QStringLiteral("tmp")}));
}

void DesktopTest::withoutADisplayItSaysSoAndEnds_data()
{
    QTest::addColumn<QString>("display");
    QTest::newRow("no display named") << QString();
    int unused = 9000;
    while (QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(unused)))
        ++unused;
    QTest::newRow("a display nobody serves") << QStringLiteral(":%1").arg(unused);
}

void DesktopTest::withoutADisplayItSaysSoAndEnds()
{
    QFETCH(QString, display);
    QProcessEnvironment env = testsupport::childEnvironment(testsupport::newMarkerEntry());
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("DISPLAY"));
    if (!display.isEmpty())
        env.insert(QStringLiteral("DISPLAY"), display);

    QProcess program;
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(SORVANTEL_PROGRAM), QStringList());
    QVERIFY(program.waitForFinished(kChildTimeoutMs));
    const QByteArray said = program.readAllStandardError();
    QVERIFY2(program.exitStatus() == QProcess::NormalExit, said.constData()); // no crash, no core
    QCOMPARE(program.exitCode(), 1);
    QVERIFY2(said.startsWith("sorvantel: no display to show the program's windows on"), said.constData());
    QVERIFY2(!said.contains("einstall"), said.constData());
}

void DesktopTest::aSignalEndsTheProgramAsExitDoes_data()
{
    QTest::addColumn<int>("signal");
    QTest::addColumn<bool>("toGroup");      // to its process group, as a terminal sends it
    QTest::addColumn<bool>("runtimeFolder"); // the session has a runtime folder
    QTest::addColumn<QStringList>("steps");  // played before the signal comes

    const auto steps = [](const char *script) { return QString::fromLatin1(script).split(u' '); };
    const QStringList playing = steps("click:Form2/Command1 click:Form1/Command1 wait-playing:Form1");
    QTest::newRow("kill (SIGTERM) while a page plays") << int(SIGTERM) << false << true << playing;
    QTest::newRow("Ctrl+C in its terminal (SIGINT) while a page plays") << int(SIGINT) << true << true << playing;
    QTest::newRow("its terminal closed (SIGHUP), no runtime folder")
        << int(SIGHUP) << true << false
        << steps("click:Form2/Command2 click:Form3/Command33 wait-playing:Form3");
    QTest::newRow("SIGTERM while the browser is still starting")
        << int(SIGTERM) << false << true << steps("click:Form2/Command1");
    QTest::newRow("Ctrl+C (SIGINT) while a shrunk page plays")
        << int(SIGINT) << true << true
        << steps("click:Form2/Command9 click:Form9/Command2 wait-playing:Form9 click:Form9/Command118");
}

void DesktopTest::aSignalEndsTheProgramAsExitDoes()
{
    QFETCH(int, signal);
    QFETCH(bool, toGroup);
    QFETCH(bool, runtimeFolder);
    QFETCH(QStringList, steps);

    QTemporaryDir session;
    QVERIFY(session.isValid());
    QVERIFY(makeSessionFolders(session.path()));
    const QString temporary = session.filePath(QStringLiteral("tmp"));
    const QString runtime = session.filePath(QStringLiteral("run"));

    const QByteArray marker = testsupport::newMarkerEntry();
    QProcessEnvironment env = testsupport::childEnvironment(marker);
    env.insert(QStringLiteral("TMPDIR"), temporary);
    if (runtimeFolder)
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    else
        env.remove(QStringLiteral("XDG_RUNTIME_DIR"));

    QProcess program;
    program.setProcessEnvironment(env);
    // A process group of its own, as a terminal gives each command it runs.
    program.setChildProcessModifier([] { ::setpgid(0, 0); });
    QByteArray out;
    connect(&program, &QProcess::readyReadStandardOutput, this, [&] { out += program.readAllStandardOutput(); });
    program.start(QStringLiteral(SORVANTEL_SCENARIO),
                  QStringList{QStringLiteral("--hosts"), site_.host(), site_.host()} + steps
                      + QStringList{QStringLiteral("wait-end")});
    QVERIFY2(program.waitForStarted(), qPrintable(program.errorString()));
    const QByteArray lastStepDone = "step " + QByteArray::number(steps.size()) + " done\n";
    const bool ready = waitUntil([&] { return out.contains(lastStepDone) || program.state() != QProcess::Running; },
                                 kChildTimeoutMs);
    const pid_t pid = pid_t(program.processId());
    if (ready && program.state() == QProcess::Running)
        ::kill(toGroup ? -pid : pid, signal);
    const bool ended = waitUntil([&] { return program.state() == QProcess::NotRunning; }, kChildTimeoutMs);
    if (!ended)
        program.kill();
    QString left;
    const QList<qint64> remaining = testsupport::leftBehind(marker, kChildTimeoutMs, &left);
    const QByteArray err = program.readAllStandardError();

    QVERIFY2(ready && out.contains(lastStepDone), ("the steps did not run:\n" + out + err).constData());
    QVERIFY2(ended, ("still running after the signal:\n" + err).constData());
    QVERIFY2(program.exitStatus() == QProcess::NormalExit && program.exitCode() == 0,
             ("exit status " + QByteArray::number(program.exitCode()) + ":\n" + err).constData());
    const QString bad = testsupport::badOutputIn(err);
    QVERIFY2(bad.isEmpty(), qPrintable(QStringLiteral("\"%1\" on stderr:\n%2").arg(bad, QString::fromLocal8Bit(err))));
    QVERIFY2(remaining.isEmpty(), qPrintable(QStringLiteral("left running: ") + left));
    // Without a runtime folder Qt makes one of its own in the temporary
    // folder, for every Qt program of the user; it is not the program's.
    QStringList leftInTemporary = contentsOf(temporary);
    if (!runtimeFolder)
        leftInTemporary.removeIf([](const QString &path) { return path.startsWith(QLatin1String("runtime-")); });
    QCOMPARE(leftInTemporary, QStringList());
    QCOMPARE(contentsOf(runtime), QStringList());
}

int main(int argc, char *argv[])
{
    testsupport::XvfbServer server;
    if (!server.start()) {
        std::fprintf(stderr, "%s\n", qPrintable(server.errorString()));
        return 1;
    }
    qputenv("DISPLAY", server.display().toLatin1());
    qputenv("QT_QPA_PLATFORM", "xcb");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    DesktopTest test;
    const int status = QTest::qExec(&test, argc, argv);
    testsupport::keepGlDriversLoaded();
    return status;
}

#include "tst_desktop.moc"
