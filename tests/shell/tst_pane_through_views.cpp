// A playing browser pane through the page's views: Shrink hides it and the
// recitation plays on without asking the site again, Enlarge brings back the
// same page, and Back takes the page and its pane away, so that the page
// opens again with nothing loaded.

#include "engine_test_support.h"

#include <shell/form_button.h>

#include <QPointer>

using testsupport::ListenSite;

namespace {

constexpr int kBack = 116;
constexpr int kEnlarge = 117;
constexpr int kShrink = 118;

} // namespace

class PaneThroughViewsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void playsOnThroughViewsAndGoesWithBack_data();
    void playsOnThroughViewsAndGoesWithBack();

private:
    ListenSite site_;
    ListenAddressTable addresses_{QStringLiteral(LISTEN_ADDRESSES)};
    catalogue::SiteHosts hosts_;
    std::unique_ptr<testsupport::ShellFixture> fixture_;
};

void PaneThroughViewsTest::initTestCase()
{
    QVERIFY2(addresses_.isValid(), qPrintable(addresses_.error()));
    QVERIFY2(site_.listen(), qPrintable(site_.errorString()));
    const std::string host = site_.host().toStdString();
    hosts_ = {host, host};
    fixture_ = std::make_unique<testsupport::ShellFixture>(hosts_);
}

void PaneThroughViewsTest::cleanup()
{
    testsupport::unloadEverything(*fixture_);
    site_.clearRequests();
}

void PaneThroughViewsTest::playsOnThroughViewsAndGoesWithBack_data()
{
    QTest::addColumn<QString>("form");
    QTest::addColumn<int>("button");
    QTest::newRow("Form1 direct listen") << QStringLiteral("Form1") << 1;
    QTest::newRow("Form4 listen box, menu shown before unload") << QStringLiteral("Form4") << 30;
    QTest::newRow("Form9 listen box") << QStringLiteral("Form9") << 67;
}

void PaneThroughViewsTest::playsOnThroughViewsAndGoesWithBack()
{
    QFETCH(QString, form);
    QFETCH(int, button);
    const std::optional<QByteArray> listed = testsupport::listedTarget(addresses_, form, button);
    QVERIFY(listed);
    const QByteArray target = *listed;

    shell::RecitationPage *page = testsupport::openPage(*fixture_, form);
    QVERIFY(page);
    QPointer<shell::RecitationPage> pageAlive(page);
    QPointer<shell::BrowserPane> pane(page->browserPane());

    QTest::mouseClick(page->button(button), Qt::LeftButton);
    QVERIFY(testsupport::waitForListenPageRequests(site_, 1));
    QVERIFY(testsupport::waitForListenPage(pane->page(), target));
    QVERIFY(testsupport::waitForPlayback(pane->page()));
    const QUrl playing = pane->url();
    QCOMPARE(playing.toEncoded(), "http://" + site_.host().toLatin1() + target);
    const qsizetype requestsBefore = site_.requests().size();

    // Shrink: the pane goes out of sight, the recitation does not stop.
    QTest::mouseClick(page->button(kShrink), Qt::LeftButton);
    QVERIFY(pane->isHidden());
    QVERIFY(page->button(kEnlarge)->isVisible());
    QVERIFY2(testsupport::waitForPlayback(pane->page(), 0.6), "playback stopped with the pane hidden");
    QVERIFY(!testsupport::playerPaused(pane->page()));
    QVERIFY(pane->isHidden());
    QCOMPARE(pane->url(), playing);
    QCOMPARE(site_.requests().size(), requestsBefore);

    // Enlarge: the same page is back in view, not asked for again.
    QTest::mouseClick(page->button(kEnlarge), Qt::LeftButton);
    QVERIFY(pane->isVisible());
    QCOMPARE(pane->url(), playing);
    QVERIFY(testsupport::waitForPlayback(pane->page()));
    QVERIFY(!testsupport::playerPaused(pane->page()));
    QCOMPARE(site_.listenPageRequests(), 1);

    // Back: the page and its pane go; the menu is what is left on screen.
    QTest::mouseClick(page->button(kBack), Qt::LeftButton);
    testsupport::flushDeferredDeletes();
    QVERIFY(!fixture_->runtime().existing(form));
    QVERIFY(pageAlive.isNull());
    QVERIFY(pane.isNull());
    QWidget *menu = fixture_->runtime().existing(QStringLiteral("Form2"));
    QVERIFY(menu);
    QVERIFY(menu->isVisible());

    // Opened again, the page starts with an empty pane that asks for nothing.
    shell::RecitationPage *reopened = testsupport::openPage(*fixture_, form);
    QVERIFY(reopened);
    QVERIFY(reopened->browserPane()->url().isEmpty());
    const QByteArray barrier = "/?barrier";
    QVERIFY(testsupport::passRequestBarrier(reopened->browserPane()->page()->profile(), site_, barrier));
    QVERIFY(reopened->browserPane()->url().isEmpty());
    QCOMPARE(site_.listenPageTargets(), (QList<QByteArray>{target, barrier}));
}

SORVANTEL_GUI_TEST_MAIN(PaneThroughViewsTest)
#include "tst_pane_through_views.moc"
