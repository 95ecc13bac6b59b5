// The program under load and when the network fails, on a real web engine
// against the local listen site.
//
// Load: pages opened from the menu, played and sent Back hundreds of times
// leave nothing behind; a thousand surah clicks in a row end on the last
// one. Faults: with nothing listening the pane shows its error page and the
// program carries on, then plays once the site is back on the same port; a
// site that stops answering halfway through leaves every window responsive.

#include "engine_test_support.h"

#include <shell/form_button.h>

#include <QAbstractButton>
#include <QPointer>
#include <QSignalSpy>
#include <QWebEngineView>

#include <optional>
#include <utility>

using testsupport::ListenSite;

namespace {

constexpr int kBack = 116;
constexpr int kEnlarge = 117;
constexpr int kShrink = 118;

const QString kMenu = QStringLiteral("Form2");

constexpr int kSurahs = 114;
constexpr int kOpenBackCycles = 200;
constexpr int kRapidClicks = 1000;

// The menu button that opens each recitation page.
QString menuButtonFor(const QString &form)
{
    static const std::pair<const char *, int> buttons[] = {
        {"Form1", 1}, {"Form3", 2}, {"Form4", 4}, {"Form5", 5},  {"Form6", 7},
        {"Form7", 11}, {"Form8", 8}, {"Form9", 9}, {"Form10", 10},
    };
    for (const auto &[page, button] : buttons) {
        if (form == QLatin1String(page))
            return QStringLiteral("Command%1").arg(button);
    }
    return {};
}

// What the pane's url() shows for a request target at `host`.
QByteArray encodedUrl(const QString &host, const QByteArray &target)
{
    return "http://" + host.toLatin1() + target;
}

// Shrink and then Enlarge: the pane is hidden and shown again, and Enlarge
// shows only in between.
void shrinkThenEnlarge(shell::RecitationPage *page)
{
    QTest::mouseClick(page->button(kShrink), Qt::LeftButton);
    QVERIFY(page->browserPane()->isHidden());
    QVERIFY(page->button(kEnlarge)->isVisible());
    QTest::mouseClick(page->button(kEnlarge), Qt::LeftButton);
    QVERIFY(page->browserPane()->isVisible());
    QVERIFY(!page->button(kEnlarge)->isVisible());
}

QWidgetList visibleTopLevels()
{
    QWidgetList shown;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (widget->isVisible())
            shown << widget;
    }
    return shown;
}

// Web views and web pages anywhere under a top-level widget.
qsizetype liveEngineObjects()
{
    qsizetype live = 0;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        live += widget->findChildren<QWebEngineView *>().size();
        live += widget->findChildren<QWebEnginePage *>().size();
        if (qobject_cast<QWebEngineView *>(widget))
            ++live;
    }
    return live;
}

// The page's text, as the listener would read it; empty if it did not answer.
QString pageText(QWebEnginePage *page, int timeoutMs = testsupport::kEngineTimeoutMs)
{
    QString text;
    bool arrived = false;
    page->toPlainText([&text, &arrived](const QString &value) {
        text = value;
        arrived = true;
    });
    testsupport::waitUntil([&] { return arrived; }, timeoutMs);
    return text;
}

} // namespace

class ReliabilityTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void openPlayBackCyclesLeaveNothing();
    void rapidClicksEndOnTheLast_data();
    void rapidClicksEndOnTheLast();

    void closedPortShowsErrorThenRecovers();
    void stalledSiteLeavesWindowsResponsive();

private:
    QWidget *showMenu(testsupport::ShellFixture &fixture);
    // Opens `form` with a click on its menu button, as a listener does.
    shell::RecitationPage *openFromMenu(testsupport::ShellFixture &fixture, const QString &form);

    ListenSite site_;
    ListenAddressTable addresses_{QStringLiteral(LISTEN_ADDRESSES)};
    catalogue::SiteHosts hosts_;
    std::unique_ptr<testsupport::ShellFixture> fixture_;
};

void ReliabilityTest::initTestCase()
{
    QVERIFY2(addresses_.isValid(), qPrintable(addresses_.error()));
    QVERIFY2(site_.listen(), qPrintable(site_.errorString()));
    const std::string host = site_.host().toStdString();
    hosts_ = {host, host};
    fixture_ = std::make_unique<testsupport::ShellFixture>(hosts_);
}

void ReliabilityTest::cleanup()
{
    testsupport::unloadEverything(*fixture_);
    site_.clearRequests();
}

QWidget *ReliabilityTest::showMenu(testsupport::ShellFixture &fixture)
{
    fixture.runtime().show(kMenu);
    QWidget *menu = fixture.runtime().existing(kMenu);
    return menu && QTest::qWaitForWindowExposed(menu) ? menu : nullptr;
}

shell::RecitationPage *ReliabilityTest::openFromMenu(testsupport::ShellFixture &fixture,
                                                     const QString &form)
{
    QWidget *menu = fixture.runtime().existing(kMenu);
    if (!menu || !menu->isVisible())
        return nullptr;
    auto *button = menu->findChild<QAbstractButton *>(menuButtonFor(form));
    if (!button)
        return nullptr;
    QTest::mouseClick(button, Qt::LeftButton);
    shell::RecitationPage *page = fixture.page(form);
    return page && page->isVisible() && !menu->isVisible() ? page : nullptr;
}

void ReliabilityTest::openPlayBackCyclesLeaveNothing()
{
    QWidget *menu = showMenu(*fixture_);
    QVERIFY(menu);
    const QStringList forms = testsupport::recitationForms();
    QCOMPARE(forms.size(), 9);

    QList<QPointer<QObject>> created; // every page, pane and web page the cycles made
    for (int cycle = 0; cycle < kOpenBackCycles; ++cycle) {
        const QString form = forms[cycle % forms.size()];
        const QByteArray where = QStringLiteral("cycle %1, %2").arg(cycle).arg(form).toLatin1();

        shell::RecitationPage *page = openFromMenu(*fixture_, form);
        QVERIFY2(page, where.constData());
        created << page << page->browserPane() << page->browserPane()->page();

        // A different surah each time round; on Form5 the next one that has an address.
        int surah = cycle % kSurahs + 1;
        std::optional<QByteArray> target;
        while (!(target = testsupport::listedTarget(addresses_, form, surah)))
            surah = surah % kSurahs + 1;
        QVERIFY2(page->button(surah)->isEnabled(), where.constData());
        QTest::mouseClick(page->button(surah), Qt::LeftButton);
        QVERIFY2(testsupport::waitForListenPageRequests(site_, cycle + 1), where.constData());
        QCOMPARE(testsupport::listenPageRequestList(site_).last().target, *target);

        QTest::mouseClick(page->button(kBack), Qt::LeftButton);
        testsupport::flushDeferredDeletes();
        QVERIFY2(!fixture_->runtime().existing(form), where.constData());
        QVERIFY2(menu->isVisible(), where.constData());
    }

    for (const QString &form : forms)
        QVERIFY2(!fixture_->runtime().existing(form), qPrintable(form));
    QCOMPARE(visibleTopLevels(), QWidgetList{menu});
    QCOMPARE(liveEngineObjects(), 0);
    for (const QPointer<QObject> &object : std::as_const(created))
        QVERIFY(object.isNull());
    QCOMPARE(site_.listenPageRequests(), kOpenBackCycles);
}

void ReliabilityTest::rapidClicksEndOnTheLast_data()
{
    QTest::addColumn<bool>("eventsBetween");
    // Every load handed over before the engine has seen any of them...
    QTest::newRow("back to back") << false;
    // ...and each one started and then overtaken by the next.
    QTest::newRow("events between clicks") << true;
}

void ReliabilityTest::rapidClicksEndOnTheLast()
{
    QFETCH(bool, eventsBetween);
    const QString form = QStringLiteral("Form1");
    shell::RecitationPage *page = testsupport::openPage(*fixture_, form);
    QVERIFY(page);
    shell::BrowserPane *pane = page->browserPane();

    int last = 0;
    for (int click = 0; click < kRapidClicks; ++click) {
        last = click % kSurahs + 1;
        QTest::mouseClick(page->button(last), Qt::LeftButton);
        if (eventsBetween)
            QCoreApplication::processEvents();
    }
    // The last button is not the first surah, so the pane cannot get there by
    // stopping at the start of the run.
    QCOMPARE_NE(last, 1);

    const std::optional<QByteArray> listed = testsupport::listedTarget(addresses_, form, last);
    QVERIFY(listed);
    const QByteArray target = *listed;
    QVERIFY2(testsupport::waitForListenPage(pane->page(), target),
             "the pane never showed the last click's listen page");
    QCOMPARE(pane->url().toEncoded(), encodedUrl(site_.host(), target));
    QVERIFY(testsupport::waitForPlayback(pane->page()));

    // No overtaken load turns up late and takes the pane somewhere else:
    // a request asked for now is the barrier.
    const QByteArray barrier = "/?barrier";
    QVERIFY(testsupport::passRequestBarrier(pane->page()->profile(), site_, barrier));
    const QList<QByteArray> targets = site_.listenPageTargets();
    qInfo("%lld listen-page requests reached the site", static_cast<long long>(targets.size()));
    QVERIFY(targets.size() >= 2);
    QCOMPARE(targets.last(), barrier);
    QCOMPARE(targets[targets.size() - 2], target);
    QCOMPARE(pane->url().toEncoded(), encodedUrl(site_.host(), target));
}

void ReliabilityTest::closedPortShowsErrorThenRecovers()
{
    // A port that was just free: listened on, noted and closed again.
    ListenSite site;
    QVERIFY2(site.listen(), qPrintable(site.errorString()));
    const quint16 port = site.port();
    const QString host = site.host();
    site.close();
    const catalogue::SiteHosts hosts{host.toStdString(), host.toStdString()};
    testsupport::ShellFixture fixture(hosts);
    QWidget *menu = showMenu(fixture);
    QVERIFY(menu);

    shell::RecitationPage *page = openFromMenu(fixture, QStringLiteral("Form1"));
    QVERIFY(page);
    shell::BrowserPane *pane = page->browserPane();
    const std::optional<QByteArray> failing = testsupport::listedTarget(addresses_, QStringLiteral("Form1"), 1);
    QVERIFY(failing);
    QSignalSpy finished(pane, &QWebEngineView::loadFinished);
    QTest::mouseClick(page->button(1), Qt::LeftButton);

    QTRY_VERIFY_WITH_TIMEOUT(!finished.isEmpty(), testsupport::kEngineTimeoutMs);
    QCOMPARE(finished.first().first().toBool(), false);
    QCOMPARE(pane->url().toEncoded(), encodedUrl(host, *failing));
    QVERIFY(site.requests().isEmpty());
    const QString errorText = pageText(pane->page());
    QVERIFY2(errorText.contains(QLatin1String("ERR_CONNECTION_REFUSED")), qPrintable(errorText));

    // The program carries on as before.
    shrinkThenEnlarge(page);
    if (QTest::currentTestFailed())
        return;
    QPointer<shell::RecitationPage> gone(page);
    QTest::mouseClick(page->button(kBack), Qt::LeftButton);
    testsupport::flushDeferredDeletes();
    QVERIFY(gone.isNull());
    QVERIFY(menu->isVisible());
    page = openFromMenu(fixture, QStringLiteral("Form3"));
    QVERIFY(page);
    pane = page->browserPane();

    // The site is back on the same port: the next click plays.
    QVERIFY2(site.listen(port), qPrintable(site.errorString()));
    const std::optional<QByteArray> target = testsupport::listedTarget(addresses_, QStringLiteral("Form3"), 1);
    QVERIFY(target);
    QTest::mouseClick(page->button(1), Qt::LeftButton);
    QVERIFY(testsupport::waitForListenPageRequests(site, 1));
    QCOMPARE(testsupport::listenPageRequestList(site).first().target, *target);
    QVERIFY(testsupport::waitForListenPage(pane->page(), *target));
    QVERIFY2(testsupport::waitForPlayback(pane->page()), "no playback once the site is back");
}

void ReliabilityTest::stalledSiteLeavesWindowsResponsive()
{
    ListenSite site;
    site.setStallAfterHead(true);
    QVERIFY2(site.listen(), qPrintable(site.errorString()));
    const std::string host = site.host().toStdString();
    testsupport::ShellFixture fixture({host, host});
    QVERIFY(showMenu(fixture));
    shell::RecitationPage *page = openFromMenu(fixture, QStringLiteral("Form1"));
    QVERIFY(page);
    QVERIFY(QTest::qWaitForWindowExposed(page));
    QPointer<shell::RecitationPage> pageAlive(page);
    QPointer<shell::BrowserPane> pane(page->browserPane());
    QPointer<QWebEnginePage> webPage(pane->page());
    QSignalSpy finished(pane.data(), &QWebEngineView::loadFinished);

    // The click hands the address over and returns, and the event loop runs
    // on: the site, served from this loop, gets the request.
    QTest::mouseClick(page->button(1), Qt::LeftButton);
    QVERIFY(testsupport::waitForListenPageRequests(site, 1));
    // The answer is still held back: the pane is loading, not failed.
    QVERIFY(webPage->isLoading());
    QVERIFY(finished.isEmpty());
    QVERIFY(site.openConnections() >= 1);

    shrinkThenEnlarge(page);
    if (QTest::currentTestFailed())
        return;
    QVERIFY(webPage->isLoading());

    // Back does not wait for the held answer (it would wait for ever: the
    // site answers from this very loop).
    QTest::mouseClick(page->button(kBack), Qt::LeftButton);
    testsupport::flushDeferredDeletes();
    QVERIFY(pageAlive.isNull());
    QVERIFY(pane.isNull());
    QVERIFY(webPage.isNull());
    QVERIFY(fixture.runtime().existing(kMenu)->isVisible());
    // The engine gives up the held request along with the page.
    QVERIFY2(testsupport::waitUntil([&] { return site.openConnections() == 0; }),
             "the stalled request outlived its page");
}

SORVANTEL_GUI_TEST_MAIN(ReliabilityTest)
#include "tst_reliability.moc"
