// The two address formats, the surah names they carry, and the buttons that
// send nothing.

#include "address_parts.h"

#include "catalogue/recording.h"

#include <QSet>
#include <QTest>

using namespace catalogue;

namespace {

const SiteHosts kHosts{"dl.test:8080", "lb.test:8081"};

const Recording &page(const QString &form)
{
    const Recording *recording = recordingFor(form.toStdString());
    if (!recording)
        qFatal("no recording for %s", qPrintable(form));
    return *recording;
}

} // namespace

class TestListenUrl : public QObject
{
    Q_OBJECT

private slots:
    void wholeAddress_data();
    void wholeAddress();
    void hostsComeFromTheCaller();
    void buttonsWithoutAddress_data();
    void buttonsWithoutAddress();
    void pagesByName();
    void surahUrlNames_data();
    void surahUrlNames();
    void everySurahUrlName();
};

// Whole addresses, letter for letter, on both sites and with both ways of
// writing a blank.
void TestListenUrl::wholeAddress_data()
{
    QTest::addColumn<QString>("form");
    QTest::addColumn<int>("button");
    QTest::addColumn<QString>("expected");

    const QString dl = QStringLiteral("http://dl.test:8080");
    const QString lb = QStringLiteral("http://lb.test:8081");

    QTest::newRow("Form1 1") << "Form1" << 1
        << dl + QStringLiteral("/?iw_s=outdoor&iw_a=directlistenSorvantel&type=mp3&id=6788&name=الفاتحة&type=mp3&number=1&M_id=213&C_id=1&moshaf=Velmoran&mp3_number=1&mp3_size=0.29&rm_number=1&rm_size=0.15");
    QTest::newRow("Form1 2") << "Form1" << 2
        << dl + QStringLiteral("/?iw_s=outdoor&iw_a=directlistenSorvantel&type=mp3&id=6233&name=البقرة&type=mp3&number=1&M_id=213&C_id=2&moshaf=Velmoran&mp3_number=1&mp3_size=26.52&rm_number=1&rm_size=13.81");
    QTest::newRow("Form5 2") << "Form5" << 2
        << dl + QStringLiteral("/?iw_s=outdoor&iw_a=directlistenSorvantel&type=mp3&id=812&name=البقرة&type=mp3&number=1&M_id=147&C_id=2&moshaf=Velmoran&mp3_number=1&mp3_size=28.24&rm_number=1&rm_size=7.82");
    QTest::newRow("Form6 1, moshaf with %20") << "Form6" << 1
        << dl + QStringLiteral("/?iw_s=outdoor&iw_a=directlistenSorvantel&type=mp3&id=9658&name=الفاتحة&type=mp3&number=1&M_id=57&C_id=1&moshaf=شيخ%20Kasmirel&mp3_number=1&mp3_size=0.23&rm_number=1&rm_size=0.12");
    QTest::newRow("Form6 2, moshaf with a blank") << "Form6" << 2
        << dl + QStringLiteral("/?iw_s=outdoor&iw_a=directlistenSorvantel&type=mp3&id=9659&name=البقرة&type=mp3&number=1&M_id=57&C_id=2&moshaf=شيخ Kasmirel&mp3_number=1&mp3_size=26.87&rm_number=1&rm_size=14.07");
    QTest::newRow("Form7 2") << "Form7" << 2
        << dl + QStringLiteral("/?iw_s=outdoor&iw_a=directlistenSorvantel&type=mp3&id=3145&name=البقرة&type=mp3&number=1&M_id=126&C_id=2&moshaf=Corlissan&mp3_number=1&mp3_size=29.83&rm_number=1&rm_size=15.67");
    QTest::newRow("Form8 2") << "Form8" << 2
        << dl + QStringLiteral("/?iw_s=outdoor&iw_a=directlistenSorvantel&type=mp3&id=2185&name=البقرة&type=mp3&number=1&M_id=45&C_id=2&moshaf=Dranvoss&mp3_number=1&mp3_size=26.68&rm_number=1&rm_size=13.80");
    QTest::newRow("Form10 2") << "Form10" << 2
        << dl + QStringLiteral("/?iw_s=outdoor&iw_a=directlistenSorvantel&type=mp3&id=400&name=البقرة&type=mp3&number=1&M_id=47&C_id=2&moshaf=Hathrune&mp3_number=1&mp3_size=18.96&rm_number=1&rm_size=5.24");
    QTest::newRow("Form1 3, name with %20") << "Form1" << 3
        << dl + QStringLiteral("/?iw_s=outdoor&iw_a=directlistenSorvantel&type=mp3&id=6234&name=آل%20عمران&type=mp3&number=1&M_id=213&C_id=3&moshaf=Velmoran&mp3_number=1&mp3_size=18.34&rm_number=1&rm_size=9.55");
    QTest::newRow("Form8 3, name with a blank, rm_number 2") << "Form8" << 3
        << dl + QStringLiteral("/?iw_s=outdoor&iw_a=directlistenSorvantel&type=mp3&id=29&name=آل عمران&type=mp3&number=1&M_id=45&C_id=3&moshaf=Dranvoss&mp3_number=1&mp3_size=14.89&rm_number=2&rm_size=8.00");
    QTest::newRow("Form3 33, listen box") << "Form3" << 33
        << lb + QStringLiteral("/audio/listenbox.php?audioid=8495&type=wma");
    QTest::newRow("Form7 4, listen box") << "Form7" << 4
        << lb + QStringLiteral("/audio/listenbox.php?audioid=8654&type=wma");
    QTest::newRow("Form9 1, listen box") << "Form9" << 1
        << lb + QStringLiteral("/audio/listenbox.php?audioid=10558&type=wma");
}

void TestListenUrl::wholeAddress()
{
    QFETCH(QString, form);
    QFETCH(int, button);
    QFETCH(QString, expected);

    QCOMPARE(toQString(listenUrl(page(form), button, kHosts)), expected);
}

void TestListenUrl::hostsComeFromTheCaller()
{
    const SiteHosts hosts{"127.0.0.1:49152", "localhost:49153"};
    QCOMPARE(toQString(listenUrl(page("Form4"), 29, hosts)),
             QStringLiteral("http://127.0.0.1:49152/?iw_s=outdoor&iw_a=directlistenSorvantel&type=mp3&id=5567&name=العنكبوت&type=mp3&number=1&M_id=82&C_id=29&moshaf=Orbelund&mp3_number=1&mp3_size=3.60&rm_number=1&rm_size=1.89"));
    QCOMPARE(toQString(listenUrl(page("Form4"), 30, hosts)),
             QStringLiteral("http://localhost:49153/audio/listenbox.php?audioid=10887&type=wma"));
}

void TestListenUrl::buttonsWithoutAddress_data()
{
    QTest::addColumn<QString>("form");
    QTest::addColumn<int>("button");

    QTest::newRow("Form5 3, no address") << "Form5" << 3;
    QTest::newRow("Form5 57, no address") << "Form5" << 57;
    QTest::newRow("Form1 0") << "Form1" << 0;
    QTest::newRow("Form1 115") << "Form1" << 115;
    QTest::newRow("Form9 -1") << "Form9" << -1;
    QTest::newRow("Form9 115") << "Form9" << 115;
}

void TestListenUrl::buttonsWithoutAddress()
{
    QFETCH(QString, form);
    QFETCH(int, button);

    QVERIFY(!listenUrl(page(form), button, kHosts).has_value());
}

void TestListenUrl::pagesByName()
{
    QStringList forms;
    for (const Recording *recording : recordings()) {
        forms << toQString(recording->form);
        QCOMPARE(recordingFor(recording->form), recording);
    }
    QCOMPARE(forms, QStringList({"Form1", "Form3", "Form4", "Form5", "Form6", "Form7", "Form8",
                                 "Form9", "Form10"}));
    QVERIFY(!recordingFor("Form2"));
    QVERIFY(!recordingFor("Form11"));
    QVERIFY(!recordingFor(""));
}

// The names that the addresses spell otherwise than the button captions, a
// few that they spell the same, and numbers outside the list.
void TestListenUrl::surahUrlNames_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("expected");

    QTest::newRow("3") << 3 << QStringLiteral("آل عمران");
    QTest::newRow("14") << 14 << QStringLiteral("إبراهيم");
    QTest::newRow("17") << 17 << QStringLiteral("الإسراء");
    QTest::newRow("51") << 51 << QStringLiteral("الذاريات");
    QTest::newRow("76") << 76 << QStringLiteral("الإنسان");
    QTest::newRow("112") << 112 << QStringLiteral("الإخلاص");
    QTest::newRow("1") << 1 << QStringLiteral("الفاتحة");
    QTest::newRow("34") << 34 << QStringLiteral("سبأ");
    QTest::newRow("38") << 38 << QStringLiteral("ص");
    QTest::newRow("82") << 82 << QStringLiteral("الانفطار");
    QTest::newRow("84") << 84 << QStringLiteral("الانشقاق");
    QTest::newRow("114") << 114 << QStringLiteral("الناس");
    QTest::newRow("0") << 0 << QString();
    QTest::newRow("115") << 115 << QString();
    QTest::newRow("-3") << -3 << QString();
}

void TestListenUrl::surahUrlNames()
{
    QFETCH(int, number);
    QFETCH(QString, expected);

    QCOMPARE(toQString(surahUrlName(number)), expected);
}

// Raw Arabic letters only, no vowel marks; surah 3 the one name with a blank.
void TestListenUrl::everySurahUrlName()
{
    QSet<QString> seen;
    for (int n = 1; n <= 114; ++n) {
        const QString name = toQString(surahUrlName(n));
        QVERIFY2(!name.isEmpty(), qPrintable(QString::number(n)));
        for (QChar c : name) {
            const bool letter = c.unicode() >= 0x0621 && c.unicode() <= 0x064A;
            const bool blank = c == u' ' && n == 3;
            QVERIFY2(letter || blank, qPrintable(QStringLiteral("surah %1: U+%2").arg(n).arg(c.unicode(), 4, 16, QChar(u'0'))));
        }
        QVERIFY2(!seen.contains(name), qPrintable(name));
        seen.insert(name);
    }
    QCOMPARE(toQString(surahUrlName(3)).count(u' '), 1);
}

QTEST_APPLESS_MAIN(TestListenUrl)
#include "tst_listen_url.moc"
