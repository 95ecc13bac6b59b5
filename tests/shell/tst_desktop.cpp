// The program on a desktop, against a site that misbehaves: under a private X
// server with GL, as a listener meets it, with real input from the X server.
//
// - A site's dialogs (message, question, prompt, file chooser) never open on
//   the desktop: they would hold every window of the program until answered.
// - A page that would rather not be left cannot hold a surah click.
// - A whole session leaves the listener's home and temporary folders as they
//   were, with pages that use the browser's storage.
// - Without a display the program says so and ends with status 1, not a crash.
// - A double click on Enlarge does not go on to the surah button it uncovers.
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

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEnginePage>

#include <memory>

using testsupport::ListenSite;
using testsupport::waitUntil;

namespace {

// A bound that only stops a wait for a child that never ends.
constexpr int kChildTimeoutMs = 90000;

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

bool clickOn(QWidget *widget)
{
    return clickAt(widget->mapToGlobal(widget->rect().center()));
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

// A page that opens a file chooser at the listener's first click inside it,
// and from then on asks before it is left (a page may ask only once the
// listener has used it). It is ready for that click once its first content
// is painted: the browser passes no click to a page before that.
const QByteArray kChooserThatWillNotBeLeft = R"(<!doctype html><html><body style="height: 100vh">
<h1>Listen</h1>
<input type="file" id="chooser">
<script>
addEventListener('beforeunload', function (e) { e.preventDefault(); e.returnValue = ''; });
addEventListener('mousedown', function () {
    document.getElementById('chooser').click();
    fetch('/report/clicked');
});
new PerformanceObserver(function (entries) {
    if (entries.getEntriesByName('first-contentful-paint').length)
        fetch('/report/ready');
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
    void noFileChooserAndNoPageHoldsASurahClick();

    void doubleClickOnEnlargeStaysOnEnlarge();
    void enterPressesTheFocusedButton_data();
    void enterPressesTheFocusedButton();

    void sessionLeavesHomeAndTemporaryFoldersAsTheyWere();
    void withoutADisplayItSaysSoAndEnds_data();
    void withoutADisplayItSaysSoAndEnds();

private:
    shell::RecitationPage *openForm1();
    shell::RecitationPage *openForm1Serving(const QByteArray &html);
    bool surahRequested(int button) const;

    ListenSite site_;
    std::unique_ptr<testsupport::ShellFixture> fixture_;
};

void DesktopTest::initTestCase()
{
    QVERIFY2(site_.listen(), qPrintable(site_.errorString()));
    QVERIFY2(QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("version")}) == 0,
             "xdotool is needed for real input");
}

void DesktopTest::init()
{
    site_.clearRequests();
    const std::string host = site_.host().toStdString();
    fixture_ = std::make_unique<testsupport::ShellFixture>(catalogue::SiteHosts{host, host});
}

void DesktopTest::cleanup()
{
    fixture_->runtime().end();
    testsupport::flushDeferredDeletes();
    fixture_.reset();
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

// Whether the direct-listen address of surah button `button` has been asked for.
bool DesktopTest::surahRequested(int button) const
{
    const QByteArray field = "&C_id=" + QByteArray::number(button) + '&';
    for (const ListenSite::Request &request : site_.requests()) {
        if (request.target.contains(field))
            return true;
    }
    return false;
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

void DesktopTest::noFileChooserAndNoPageHoldsASurahClick()
{
    shell::RecitationPage *page = openForm1Serving(kChooserThatWillNotBeLeft);
    QVERIFY(page);
    QVERIFY(waitUntil([&] { return asked(site_, "/report/ready"); }));
    QVERIFY(clickOn(page->browserPane()));
    QVERIFY(waitUntil([&] { return asked(site_, "/report/clicked"); }));

    // The next surah replaces the page at once: no question whether to leave
    // it, and no chooser has opened meanwhile.
    testsupport::clickLikeAListener(page->button(2));
    QVERIFY2(waitUntil([&] { return surahRequested(2); }), qPrintable(otherVisibleWindows(page).join(u',')));
    QCOMPARE(otherVisibleWindows(page), QStringList());
    QVERIFY(!QApplication::activeModalWidget());
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
    QVERIFY(QDir(home).mkdir(QStringLiteral("tmp")) && QDir(home).mkdir(QStringLiteral("run")));
    QFile::setPermissions(home + QStringLiteral("/run"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

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

    QCOMPARE(contentsOf(home), (QStringList{QStringLiteral("run"), QStringLiteral("tmp")}));
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
    QCoreApplication::setAttribute(Qt::AA_DisableShaderDiskCache);
    QApplication app(argc, argv);
    DesktopTest test;
    const int status = QTest::qExec(&test, argc, argv);
    testsupport::keepGlDriversLoaded();
    return status;
}

#include "tst_desktop.moc"
