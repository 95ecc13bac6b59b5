// The browser pane on a real web engine against the local listen site: a
// page that has just opened asks for nothing, and an address handed to
// navigate() reaches the site encoded as a browser encodes a typed address.

#include "engine_test_support.h"

#include <QSignalSpy>

using testsupport::ListenSite;

class BrowserPaneTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void freshPagesSendNothing();
    void navigateSendsBrowserEncoding_data();
    void navigateSendsBrowserEncoding();

private:
    ListenSite site_;
    std::unique_ptr<testsupport::ShellFixture> fixture_;
};

void BrowserPaneTest::initTestCase()
{
    QVERIFY2(site_.listen(), qPrintable(site_.errorString()));
    const std::string host = site_.host().toStdString();
    fixture_ = std::make_unique<testsupport::ShellFixture>(catalogue::SiteHosts{host, host});
}

void BrowserPaneTest::cleanup()
{
    testsupport::unloadEverything(*fixture_);
    site_.clearRequests();
}

void BrowserPaneTest::freshPagesSendNothing()
{
    QList<shell::RecitationPage *> pages;
    for (const QString &form : testsupport::recitationForms()) {
        shell::RecitationPage *page = testsupport::openPage(*fixture_, form);
        QVERIFY2(page, qPrintable(form));
        pages << page;
    }
    // Nothing is due: a request asked for after them all is the barrier.
    const QByteArray barrier = "/?barrier";
    QVERIFY(testsupport::passRequestBarrier(pages.first()->browserPane()->page()->profile(), site_, barrier));
    QCOMPARE(site_.listenPageTargets(), QList<QByteArray>{barrier});
    for (shell::RecitationPage *page : std::as_const(pages)) {
        QVERIFY2(page->browserPane()->url().isEmpty(), qPrintable(page->objectName()));
        QVERIFY2(page->browserPane()->isVisible(), qPrintable(page->objectName()));
    }
}

void BrowserPaneTest::navigateSendsBrowserEncoding_data()
{
    QTest::addColumn<QString>("address"); // after "http://<site>"
    QTest::addColumn<QByteArray>("target");

    QTest::newRow("raw letters")
        << QStringLiteral("/?name=الفاتحة")
        << QByteArray("/?name=%D8%A7%D9%84%D9%81%D8%A7%D8%AA%D8%AD%D8%A9");
    QTest::newRow("literal blank")
        << QStringLiteral("/?name=آل عمران")
        << QByteArray("/?name=%D8%A2%D9%84%20%D8%B9%D9%85%D8%B1%D8%A7%D9%86");
    QTest::newRow("escaped blank kept")
        << QStringLiteral("/?moshaf=شيخ%20Kasmirel")
        << QByteArray("/?moshaf=%D8%B4%D9%8A%D8%AE%20Kasmirel");
    QTest::newRow("both blanks and letters")
        << QStringLiteral("/?iw_s=outdoor&name=آل عمران&moshaf=شيخ%20Kasmirel&mp3_size=0.29")
        << QByteArray("/?iw_s=outdoor&name=%D8%A2%D9%84%20%D8%B9%D9%85%D8%B1%D8%A7%D9%86"
                      "&moshaf=%D8%B4%D9%8A%D8%AE%20Kasmirel&mp3_size=0.29");
    QTest::newRow("letters in the path")
        << QStringLiteral("/سبأ/listen?id=1")
        << QByteArray("/%D8%B3%D8%A8%D8%A3/listen?id=1");
    QTest::newRow("plain ascii")
        << QStringLiteral("/audio/listenbox.php?audioid=8495&type=wma")
        << QByteArray("/audio/listenbox.php?audioid=8495&type=wma");
}

void BrowserPaneTest::navigateSendsBrowserEncoding()
{
    QFETCH(QString, address);
    QFETCH(QByteArray, target);
    const QString full = QLatin1String("http://") + site_.host() + address;
    // The helper the other suites compare with must agree with the written-out targets.
    QCOMPARE(testsupport::browserTarget(full), target);

    shell::RecitationPage *page = testsupport::openPage(*fixture_, QStringLiteral("Form1"));
    QVERIFY(page);
    shell::BrowserPane *pane = page->browserPane();
    QSignalSpy loaded(pane, &QWebEngineView::loadFinished);

    pane->navigate(full);

    QVERIFY(testsupport::waitForListenPageRequests(site_, 1));
    QTRY_COMPARE_WITH_TIMEOUT(loaded.count(), 1, testsupport::kEngineTimeoutMs);
    QCOMPARE(loaded.at(0).at(0).toBool(), true);

    const QList<ListenSite::Request> requests = testsupport::listenPageRequestList(site_);
    QCOMPARE(requests.size(), 1);
    QCOMPARE(requests[0].requestLine, "GET " + target + " HTTP/1.1");
    QCOMPARE(requests[0].hostHeader, site_.host().toLatin1());
    QVERIFY(!requests[0].target.contains("%25"));
    QCOMPARE(pane->url().toEncoded(), "http://" + site_.host().toLatin1() + target);
}

SORVANTEL_GUI_TEST_MAIN(BrowserPaneTest)
#include "tst_browser_pane.moc"
