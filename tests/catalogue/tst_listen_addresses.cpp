// Every address of every page, whole: what each surah button of the nine
// recordings sends, letter for letter, against the table of all 998 listen
// addresses, with the configured hosts in front.

#include "address_parts.h"
#include "listen_address_table.h"

#include "catalogue/recording.h"

#include <QSet>
#include <QTest>

using namespace catalogue;

namespace {

const QStringList kPages{"Form1", "Form3", "Form4", "Form5", "Form6",
                         "Form7", "Form8", "Form9", "Form10"};
constexpr int kButtons = 114;

// Form5's surah buttons that send nothing.
const QList<int> kForm5WithoutAddress{3,  4,  5,  7,  10, 16, 17, 19, 24, 27, 28, 29, 30, 31,
                                      33, 34, 35, 36, 37, 39, 43, 44, 45, 46, 51, 52, 55, 57};

QString pageButton(const QString &page, int button)
{
    return page + u' ' + QString::number(button);
}

QString expectedAddress(const ListedAddress &listed, const SiteHosts &hosts)
{
    const std::string &host = listed.site == ListenSiteKind::DirectListen ? hosts.directListen
                                                                           : hosts.listenBox;
    return QStringLiteral("http://") + toQString(std::string_view(host)) + listed.target;
}

QString sentAddress(const QString &page, int button, const SiteHosts &hosts)
{
    const Recording *recording = recordingFor(page.toStdString());
    return recording ? toQString(listenUrl(*recording, button, hosts)) : QString();
}

} // namespace

class TestListenAddresses : public QObject
{
    Q_OBJECT

public:
    TestListenAddresses() : table_(QStringLiteral(LISTEN_ADDRESSES)) {}

private slots:
    void initTestCase();
    void tableHoldsEveryAddress();
    void everyAddressWhole_data();
    void everyAddressWhole();
    void onlyForm5SendsNothing();

private:
    ListenAddressTable table_;
};

void TestListenAddresses::initTestCase()
{
    QVERIFY2(table_.isValid(), qPrintable(table_.error()));
    for (const QString &page : kPages)
        QVERIFY2(recordingFor(page.toStdString()), qPrintable(page));
}

// The table itself: 998 lines, 878 of them direct-listen, only known pages.
void TestListenAddresses::tableHoldsEveryAddress()
{
    int direct = 0;
    for (const ListedAddress &listed : table_.addresses()) {
        QVERIFY2(kPages.contains(listed.page), qPrintable(listed.page));
        direct += listed.site == ListenSiteKind::DirectListen ? 1 : 0;
    }
    QCOMPARE(table_.addresses().size(), 998);
    QCOMPARE(direct, 878);
}

// Host pairs unlike the built-in ones and unlike each other, so that an
// address put on the wrong site, or a host that is not the caller's, shows.
void TestListenAddresses::everyAddressWhole_data()
{
    QTest::addColumn<QString>("directHost");
    QTest::addColumn<QString>("listenBoxHost");

    QTest::newRow("names with ports") << "dl.test:8080" << "lb.test:8081";
    QTest::newRow("loopback ports") << "127.0.0.1:49152" << "127.0.0.1:49153";
    QTest::newRow("plain names") << "listen.example.org" << "box.example.net";
}

void TestListenAddresses::everyAddressWhole()
{
    QFETCH(QString, directHost);
    QFETCH(QString, listenBoxHost);
    const SiteHosts hosts{directHost.toStdString(), listenBoxHost.toStdString()};

    QStringList wrong;
    int sent = 0;
    for (const QString &page : kPages) {
        for (int button = 1; button <= kButtons; ++button) {
            const ListedAddress *listed = table_.find(page, button);
            const QString expected = listed ? expectedAddress(*listed, hosts) : QString();
            const QString actual = sentAddress(page, button, hosts);
            sent += actual.isNull() ? 0 : 1;
            if (actual != expected) {
                wrong << QStringLiteral("%1\n   sent: %2\n   want: %3")
                             .arg(pageButton(page, button),
                                  actual.isNull() ? QStringLiteral("(nothing)") : actual,
                                  expected.isNull() ? QStringLiteral("(nothing)") : expected);
            }
        }
    }
    QVERIFY2(wrong.isEmpty(), qPrintable(QStringLiteral("%1 addresses differ:\n").arg(wrong.size())
                                         + wrong.mid(0, 10).join(u'\n')));
    QCOMPARE(sent, 998);
}

// The 28 buttons of Form5 send nothing, and they are the only ones, both in
// what the program sends and in the table the other test trusts.
void TestListenAddresses::onlyForm5SendsNothing()
{
    QSet<QString> expected;
    for (int button : kForm5WithoutAddress)
        expected.insert(pageButton(QStringLiteral("Form5"), button));
    QCOMPARE(expected.size(), 28);

    const SiteHosts hosts{"dl.test:8080", "lb.test:8081"};
    QSet<QString> silentButtons;
    QSet<QString> unlisted;
    for (const QString &page : kPages) {
        for (int button = 1; button <= kButtons; ++button) {
            if (sentAddress(page, button, hosts).isNull())
                silentButtons.insert(pageButton(page, button));
            if (!table_.find(page, button))
                unlisted.insert(pageButton(page, button));
        }
    }
    QCOMPARE(silentButtons, expected);
    QCOMPARE(unlisted, expected);
}

QTEST_APPLESS_MAIN(TestListenAddresses)
#include "tst_listen_addresses.moc"
