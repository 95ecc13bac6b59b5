// A surah button of a recitation page, clicked on a real web engine with
// both sites pointed at the local listen site: the pane asks for that
// button's listen address and the listen page plays; another click replaces
// the page, the same click asks again, a disabled button asks nothing, and
// every button of every page asks for its own address.
// What each button should ask for comes from the table of all listen
// addresses (listen_addresses.tsv) or is written out here.

#include "engine_test_support.h"

#include <shell/form_button.h>

#include <optional>

using testsupport::ListenSite;

namespace {

// Surah and reciter names as the site's addresses carry them on the wire.
const QByteArray kFatiha = "%D8%A7%D9%84%D9%81%D8%A7%D8%AA%D8%AD%D8%A9";        // الفاتحة
const QByteArray kBaqara = "%D8%A7%D9%84%D8%A8%D9%82%D8%B1%D8%A9";              // البقرة
const QByteArray kAalImran = "%D8%A2%D9%84%20%D8%B9%D9%85%D8%B1%D8%A7%D9%86";   // آل عمران
const QByteArray kSaba = "%D8%B3%D8%A8%D8%A3";                                 // سبأ
const QByteArray kJathiya = "%D8%A7%D9%84%D8%AC%D8%A7%D8%AB%D9%8A%D8%A9";      // الجاثية
const QByteArray kNas = "%D8%A7%D9%84%D9%86%D8%A7%D8%B3";                      // الناس
const QByteArray kShaykhKasmirel = "%D8%B4%D9%8A%D8%AE%20Kasmirel";            // شيخ Kasmirel

// A direct-listen target, written out pair by pair in the site's order.
QByteArray directTarget(const QByteArray &id, const QByteArray &name, const QByteArray &mId,
                        int cId, const QByteArray &moshaf, const QByteArray &mp3Size,
                        const QByteArray &rmNumber, const QByteArray &rmSize)
{
    return "/?iw_s=outdoor&iw_a=directlistenSorvantel&type=mp3&id=" + id + "&name=" + name
           + "&type=mp3&number=1&M_id=" + mId + "&C_id=" + QByteArray::number(cId)
           + "&moshaf=" + moshaf + "&mp3_number=1&mp3_size=" + mp3Size + "&rm_number=" + rmNumber
           + "&rm_size=" + rmSize;
}

QByteArray listenBoxTarget(const QByteArray &audioId)
{
    return "/audio/listenbox.php?audioid=" + audioId + "&type=wma";
}

} // namespace

class SurahActionTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void clickPlaysListenAddress_data();
    void clickPlaysListenAddress();
    void anotherClickReplacesThePage();
    void sameButtonTwiceAsksTwice();
    void disabledButtonsAskNothing_data();
    void disabledButtonsAskNothing();
    void everyButtonAsksForItsAddress_data();
    void everyButtonAsksForItsAddress();

private:
    // The request target that `form`'s button `button` is meant to ask for,
    // as the site receives it; nothing for a button without an address.
    std::optional<QByteArray> expectedTarget(const QString &form, int button) const;
    // Opens `form` with no other window open. A page already open stays as
    // it is, so the rows of one page click on in one pane, as a listener does.
    shell::RecitationPage *openAlone(const QString &form);
    // Opens a new `form`, with a pane that has never loaded anything.
    shell::RecitationPage *openFresh(const QString &form);

    ListenSite site_;
    ListenAddressTable addresses_{QStringLiteral(LISTEN_ADDRESSES)};
    catalogue::SiteHosts hosts_;
    std::unique_ptr<testsupport::ShellFixture> fixture_;
};

void SurahActionTest::initTestCase()
{
    QVERIFY2(addresses_.isValid(), qPrintable(addresses_.error()));
    QVERIFY2(site_.listen(), qPrintable(site_.errorString()));
    const std::string host = site_.host().toStdString();
    hosts_ = {host, host};
    fixture_ = std::make_unique<testsupport::ShellFixture>(hosts_);
}

void SurahActionTest::init()
{
    site_.clearRequests();
}

std::optional<QByteArray> SurahActionTest::expectedTarget(const QString &form, int button) const
{
    return testsupport::listedTarget(addresses_, form, button);
}

shell::RecitationPage *SurahActionTest::openAlone(const QString &form)
{
    for (const QString &other : testsupport::recitationForms()) {
        if (other != form)
            fixture_->runtime().unload(other);
    }
    testsupport::flushDeferredDeletes();
    return testsupport::openPage(*fixture_, form);
}

shell::RecitationPage *SurahActionTest::openFresh(const QString &form)
{
    testsupport::unloadEverything(*fixture_);
    return testsupport::openPage(*fixture_, form);
}

void SurahActionTest::clickPlaysListenAddress_data()
{
    QTest::addColumn<QString>("form");
    QTest::addColumn<int>("button");
    QTest::addColumn<QByteArray>("target");

    // Velmoran's new recording: the first and last surahs, the two-word name,
    // the surah with values of our own, and the one id out of sequence.
    QTest::newRow("Form1 1") << QStringLiteral("Form1") << 1
        << directTarget("6788", kFatiha, "213", 1, "Velmoran", "0.29", "1", "0.15");
    QTest::newRow("Form1 3") << QStringLiteral("Form1") << 3
        << directTarget("6234", kAalImran, "213", 3, "Velmoran", "18.34", "1", "9.55");
    QTest::newRow("Form1 34") << QStringLiteral("Form1") << 34
        << directTarget("6265", kSaba, "213", 34, "Velmoran", "4.62", "1", "2.41");
    QTest::newRow("Form1 45") << QStringLiteral("Form1") << 45
        << directTarget("11869", kJathiya, "213", 45, "Velmoran", "2.67", "1", "1.40");
    QTest::newRow("Form1 114") << QStringLiteral("Form1") << 114
        << directTarget("6345", kNas, "213", 114, "Velmoran", "0.20", "1", "0.10");

    // The listen-box rows of the mixed pages, and the page that is all listen box.
    QTest::newRow("Form3 33 listen box") << QStringLiteral("Form3") << 33 << listenBoxTarget("8495");
    QTest::newRow("Form4 30 listen box") << QStringLiteral("Form4") << 30 << listenBoxTarget("10887");
    QTest::newRow("Form7 4 listen box") << QStringLiteral("Form7") << 4 << listenBoxTarget("8654");
    QTest::newRow("Form7 76 listen box") << QStringLiteral("Form7") << 76 << listenBoxTarget("8589");
    QTest::newRow("Form9 1 listen box") << QStringLiteral("Form9") << 1 << listenBoxTarget("10558");
    QTest::newRow("Form9 67 listen box") << QStringLiteral("Form9") << 67 << listenBoxTarget("10501");

    // The moshaf written with "%20" (button 1) and with a blank (button 2)
    // goes out the same.
    QTest::newRow("Form6 1 moshaf %20") << QStringLiteral("Form6") << 1
        << directTarget("9658", kFatiha, "57", 1, kShaykhKasmirel, "0.23", "1", "0.12");
    QTest::newRow("Form6 2 moshaf blank") << QStringLiteral("Form6") << 2
        << directTarget("9659", kBaqara, "57", 2, kShaykhKasmirel, "26.87", "1", "14.07");

    // Surah 3's name with a blank (Form8, which also has rm_number 2) and with "%20" (Form10).
    QTest::newRow("Form8 3") << QStringLiteral("Form8") << 3
        << directTarget("29", kAalImran, "45", 3, "Dranvoss", "14.89", "2", "8.00");
    QTest::newRow("Form10 3") << QStringLiteral("Form10") << 3
        << directTarget("401", kAalImran, "47", 3, "Hathrune", "11.09", "1", "3.07");
}

void SurahActionTest::clickPlaysListenAddress()
{
    QFETCH(QString, form);
    QFETCH(int, button);
    QFETCH(QByteArray, target);

    // The table of addresses, put on the wire, agrees with the target written out here.
    const std::optional<QByteArray> listed = expectedTarget(form, button);
    QVERIFY(listed);
    QCOMPARE(*listed, target);

    shell::RecitationPage *page = openAlone(form);
    QVERIFY(page);
    shell::BrowserPane *pane = page->browserPane();
    QVERIFY(page->button(button)->isEnabled());

    QTest::mouseClick(page->button(button), Qt::LeftButton);

    QVERIFY(testsupport::waitForListenPageRequests(site_, 1));
    const QList<ListenSite::Request> requests = testsupport::listenPageRequestList(site_);
    QCOMPARE(requests.size(), 1);
    QCOMPARE(requests[0].requestLine, "GET " + target + " HTTP/1.1");
    QCOMPARE(requests[0].hostHeader, site_.host().toLatin1());
    QTRY_COMPARE_WITH_TIMEOUT(pane->url().toEncoded(), "http://" + site_.host().toLatin1() + target, 5000);

    // The pane holds the listen page for this target (not the one a row
    // before left), and its player plays.
    QVERIFY(testsupport::waitForListenPage(pane->page(), target));
    QVERIFY2(testsupport::waitForPlayback(pane->page()), "the listen page's player does not play");
    QCOMPARE(site_.listenPageRequests(), 1);
}

void SurahActionTest::anotherClickReplacesThePage()
{
    shell::RecitationPage *page = openFresh(QStringLiteral("Form1"));
    QVERIFY(page);
    shell::BrowserPane *pane = page->browserPane();
    const QByteArray first = *expectedTarget(QStringLiteral("Form1"), 1);
    const QByteArray second = *expectedTarget(QStringLiteral("Form1"), 114);

    QTest::mouseClick(page->button(1), Qt::LeftButton);
    QVERIFY(testsupport::waitForListenPageRequests(site_, 1));
    QVERIFY(testsupport::waitForPlayback(pane->page()));
    const QUrl firstUrl = pane->url();

    QTest::mouseClick(page->button(114), Qt::LeftButton);
    QVERIFY(testsupport::waitForListenPageRequests(site_, 2));
    QCOMPARE(testsupport::listenPageRequestList(site_)[1].target, second);
    QTRY_VERIFY_WITH_TIMEOUT(pane->url() != firstUrl, 5000);
    QCOMPARE(pane->url().toEncoded(), "http://" + site_.host().toLatin1() + second);
    // The document in the pane is the new listen page, and it plays.
    QVERIFY(testsupport::waitForListenPage(pane->page(), second));
    QVERIFY(testsupport::waitForPlayback(pane->page()));
    QCOMPARE(testsupport::listenPageRequestList(site_)[0].target, first);
    QCOMPARE(site_.listenPageRequests(), 2);
}

void SurahActionTest::sameButtonTwiceAsksTwice()
{
    shell::RecitationPage *page = openFresh(QStringLiteral("Form9"));
    QVERIFY(page);
    const QByteArray target = *expectedTarget(QStringLiteral("Form9"), 1);

    QTest::mouseClick(page->button(1), Qt::LeftButton);
    QVERIFY(testsupport::waitForListenPageRequests(site_, 1));
    QTest::mouseClick(page->button(1), Qt::LeftButton);
    QVERIFY(testsupport::waitForListenPageRequests(site_, 2));

    const QList<ListenSite::Request> requests = testsupport::listenPageRequestList(site_);
    QCOMPARE(requests.size(), 2);
    QCOMPARE(requests[0].target, target);
    QCOMPARE(requests[1].target, target);
    QVERIFY(testsupport::waitForListenPage(page->browserPane()->page(), target));
    QVERIFY(testsupport::waitForPlayback(page->browserPane()->page()));
}

void SurahActionTest::disabledButtonsAskNothing_data()
{
    QTest::addColumn<int>("button");
    QTest::newRow("3") << 3;
    QTest::newRow("57") << 57;
}

void SurahActionTest::disabledButtonsAskNothing()
{
    QFETCH(int, button);
    const QString form = QStringLiteral("Form5");
    shell::RecitationPage *page = openAlone(form);
    QVERIFY(page);
    shell::BrowserPane *pane = page->browserPane();

    // The page disables exactly the buttons its recording has no address for.
    int disabled = 0;
    for (int n = 1; n <= 114; ++n) {
        const bool hasAddress = expectedTarget(form, n).has_value();
        QVERIFY2(page->button(n)->isEnabled() == hasAddress, qPrintable(QString::number(n)));
        disabled += hasAddress ? 0 : 1;
    }
    QCOMPARE(disabled, 28);
    QVERIFY(!page->button(button)->isEnabled());
    QVERIFY(!expectedTarget(form, button));

    // With the pane on a listen page, the disabled button leaves it there.
    const QByteArray first = *expectedTarget(form, 1);
    QTest::mouseClick(page->button(1), Qt::LeftButton);
    QVERIFY(testsupport::waitForListenPageRequests(site_, 1));
    QVERIFY(testsupport::waitForListenPage(pane->page(), first));
    const QUrl before = pane->page()->requestedUrl();

    // A navigation would set the pane's requested address before the click returns.
    QTest::mouseClick(page->button(button), Qt::LeftButton);
    QCOMPARE(pane->page()->requestedUrl(), before);

    // A button that does send, clicked next: its request is the only one
    // that follows, so the disabled button asked for nothing in between.
    const QByteArray next = *expectedTarget(form, 2);
    QTest::mouseClick(page->button(2), Qt::LeftButton);
    QVERIFY(testsupport::waitForListenPageRequests(site_, 2));
    QVERIFY(testsupport::waitForListenPage(pane->page(), next));
    QCOMPARE(site_.listenPageTargets(), QList<QByteArray>({first, next}));
}

// Every surah button of a page, clicked in turn: each that has an address
// asks for exactly its own, and each without one asks for nothing.
void SurahActionTest::everyButtonAsksForItsAddress_data()
{
    QTest::addColumn<QString>("form");
    for (const char *form : {"Form1", "Form3", "Form4", "Form5", "Form6", "Form7", "Form8", "Form9", "Form10"})
        QTest::newRow(form) << QString::fromLatin1(form);
}

void SurahActionTest::everyButtonAsksForItsAddress()
{
    QFETCH(QString, form);
    shell::RecitationPage *page = openFresh(form);
    QVERIFY(page);
    QWebEnginePage *browser = page->browserPane()->page();

    QList<QByteArray> expected;
    for (int n = 1; n <= 114; ++n) {
        const std::optional<QByteArray> target = expectedTarget(form, n);
        const QUrl before = browser->requestedUrl();
        QTest::mouseClick(page->button(n), Qt::LeftButton);
        if (!target) {
            QVERIFY2(browser->requestedUrl() == before, qPrintable(QString::number(n)));
            continue;
        }
        expected << *target;
        QVERIFY2(testsupport::waitForListenPageRequests(site_, int(expected.size())),
                 qPrintable(QString::number(n)));
        QCOMPARE(site_.listenPageTargets().constLast(), *target);
    }
    QCOMPARE(site_.listenPageTargets(), expected);
}

SORVANTEL_GUI_TEST_MAIN(SurahActionTest)
#include "tst_surah_action.moc"
