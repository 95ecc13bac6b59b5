// The nine recordings as data: every address of every page swept for the
// shape it must have, the counts and id ranges of each page, and the values
// that single rows are known to carry.

#include "address_parts.h"

#include "catalogue/recording.h"

#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

#include <algorithm>

using namespace catalogue;

namespace {

const SiteHosts kHosts{"dl.test:8080", "lb.test:8081"};
const QString kDirectPrefix = QStringLiteral("http://dl.test:8080/");
const QString kListenBoxPrefix = QStringLiteral("http://lb.test:8081/audio/listenbox.php");
constexpr int kButtons = 114;

struct Sent {
    QString form;
    int button;
    QString address;
    AddressParts parts;
};

// Every address that any surah button sends, in page and button order.
QList<Sent> allAddresses()
{
    QList<Sent> sent;
    for (const Recording *recording : recordings()) {
        for (int button = 1; button <= kButtons; ++button) {
            const auto url = listenUrl(*recording, button, kHosts);
            if (!url)
                continue;
            const QString address = toQString(url);
            sent.append({toQString(recording->form), button, address, splitAddress(address)});
        }
    }
    return sent;
}

bool isDirect(const Sent &s) { return s.parts.beforeQuery == kDirectPrefix; }
bool isListenBox(const Sent &s) { return s.parts.beforeQuery == kListenBoxPrefix; }

QString where(const Sent &s)
{
    return s.form + u' ' + QString::number(s.button) + QStringLiteral(": ") + s.address;
}

const Recording &page(const QString &form)
{
    const Recording *recording = recordingFor(form.toStdString());
    if (!recording)
        qFatal("no recording for %s", qPrintable(form));
    return *recording;
}

QString valueAt(const QString &form, int button, const QString &key)
{
    return splitAddress(toQString(listenUrl(page(form), button, kHosts))).value(key);
}

QSet<int> numbers(std::initializer_list<int> list) { return QSet<int>(list.begin(), list.end()); }

} // namespace

class TestRecordings : public QObject
{
    Q_OBJECT

private slots:
    void rowsAreInButtonOrder();
    void counts_data();
    void counts();
    void directListenShape();
    void listenBoxShape();
    void addressText();
    void distinctAddressesAndIds();
    void perButtonChoices();
    void form5ButtonsWithoutAddress();
    void form9AudioIds();
    void pageRanges_data();
    void pageRanges();
    void rowValues_data();
    void rowValues();
};

void TestRecordings::rowsAreInButtonOrder()
{
    for (const Recording *recording : recordings()) {
        QCOMPARE(recording->rows.size(), std::size_t(kButtons));
        for (std::size_t i = 0; i < recording->rows.size(); ++i)
            QCOMPARE(recording->rows[i].button, int(i + 1));
    }
}

void TestRecordings::counts_data()
{
    QTest::addColumn<QString>("form");
    QTest::addColumn<int>("direct");
    QTest::addColumn<int>("listenBox");

    QTest::newRow("Form1") << "Form1" << 114 << 0;
    QTest::newRow("Form3") << "Form3" << 113 << 1;
    QTest::newRow("Form4") << "Form4" << 113 << 1;
    QTest::newRow("Form5") << "Form5" << 86 << 0;
    QTest::newRow("Form6") << "Form6" << 114 << 0;
    QTest::newRow("Form7") << "Form7" << 110 << 4;
    QTest::newRow("Form8") << "Form8" << 114 << 0;
    QTest::newRow("Form9") << "Form9" << 0 << 114;
    QTest::newRow("Form10") << "Form10" << 114 << 0;
    QTest::newRow("all pages") << QString() << 878 << 120;
}

void TestRecordings::counts()
{
    QFETCH(QString, form);
    QFETCH(int, direct);
    QFETCH(int, listenBox);

    int d = 0;
    int lb = 0;
    for (const Sent &s : allAddresses()) {
        if (!form.isEmpty() && s.form != form)
            continue;
        QVERIFY2(isDirect(s) || isListenBox(s), qPrintable(where(s)));
        ++(isDirect(s) ? d : lb);
    }
    QCOMPARE(d, direct);
    QCOMPARE(lb, listenBox);
}

// The 14 pairs in their order, the fixed values, and the form of the others.
void TestRecordings::directListenShape()
{
    const QStringList keys{"iw_s", "iw_a", "type", "id", "name", "type", "number", "M_id",
                           "C_id", "moshaf", "mp3_number", "mp3_size", "rm_number", "rm_size"};
    const QMap<QString, QString> mId{{"Form1", "213"}, {"Form3", "21"}, {"Form4", "82"},
                                     {"Form5", "147"}, {"Form6", "57"}, {"Form7", "126"},
                                     {"Form8", "45"}, {"Form10", "47"}};
    const QMap<QString, QString> moshaf{{"Form1", "Velmoran"}, {"Form3", "Tirsenak"},
                                        {"Form4", "Orbelund"}, {"Form5", "Velmoran"},
                                        {"Form6", QStringLiteral("شيخ Kasmirel")},
                                        {"Form7", "Corlissan"}, {"Form8", "Dranvoss"},
                                        {"Form10", "Hathrune"}};
    const QRegularExpression size(QStringLiteral("^(0|[1-9][0-9]?)\\.[0-9]{2}$"));
    const QRegularExpression id(QStringLiteral("^[1-9][0-9]{1,4}$"));

    for (const Sent &s : allAddresses()) {
        if (!isDirect(s))
            continue;
        const AddressParts &p = s.parts;
        const QString at = where(s);
        QVERIFY2(p.keys() == keys, qPrintable(at));
        QVERIFY2(p.pairs[0].second == u"outdoor", qPrintable(at));
        QVERIFY2(p.pairs[1].second == u"directlistenSorvantel", qPrintable(at));
        QVERIFY2(p.pairs[2].second == u"mp3" && p.pairs[5].second == u"mp3", qPrintable(at));
        QVERIFY2(p.value("number") == u"1" && p.value("mp3_number") == u"1", qPrintable(at));
        QVERIFY2(p.value("C_id") == QString::number(s.button), qPrintable(at));
        QVERIFY2(p.value("M_id") == mId.value(s.form), qPrintable(at));
        QVERIFY2(id.match(p.value("id")).hasMatch(), qPrintable(at));
        QVERIFY2(size.match(p.value("mp3_size")).hasMatch(), qPrintable(at));
        QVERIFY2(size.match(p.value("rm_size")).hasMatch(), qPrintable(at));

        // One way of writing the blanks per value, never a mix.
        const QString m = p.value("moshaf");
        QVERIFY2(!(m.contains(u' ') && m.contains(u"%20")), qPrintable(at));
        QVERIFY2(QString(m).replace(QStringLiteral("%20"), QStringLiteral(" ")) == moshaf.value(s.form), qPrintable(at));
        // Surah 3's is the one name with two words.
        const QString name = p.value("name");
        const bool twoWords = name.contains(u' ') || name.contains(QStringLiteral("%20"));
        QVERIFY2(twoWords == (s.button == 3), qPrintable(at));

        const bool rm2 = (s.form == u"Form4" && s.button == 2) || (s.form == u"Form8" && s.button == 3);
        QVERIFY2(p.value("rm_number") == QString(rm2 ? "2" : "1"), qPrintable(at));
    }
}

void TestRecordings::listenBoxShape()
{
    const QRegularExpression audioId(QStringLiteral("^[1-9][0-9]{3,4}$"));
    for (const Sent &s : allAddresses()) {
        if (!isListenBox(s))
            continue;
        const QString at = where(s);
        QVERIFY2(s.parts.keys() == QStringList({"audioid", "type"}), qPrintable(at));
        QVERIFY2(audioId.match(s.parts.value("audioid")).hasMatch(), qPrintable(at));
        QVERIFY2(s.parts.value("type") == u"wma", qPrintable(at));
    }
}

// What any address may hold as text: no blank at either end, "%20" the only
// escape, nothing outside ASCII but Arabic letters, no empty value.
void TestRecordings::addressText()
{
    for (const Sent &s : allAddresses()) {
        const QString at = where(s);
        QVERIFY2(s.address == s.address.trimmed(), qPrintable(at));
        QVERIFY2(s.address.count(u'?') == 1 && !s.address.contains(u'#'), qPrintable(at));
        for (qsizetype i = s.address.indexOf(u'%'); i >= 0; i = s.address.indexOf(u'%', i + 1))
            QVERIFY2(s.address.mid(i, 3) == u"%20", qPrintable(at));
        for (QChar c : s.address) {
            const char16_t u = c.unicode();
            QVERIFY2((u >= 0x20 && u < 0x7F) || (u >= 0x0621 && u <= 0x064A), qPrintable(at));
        }
        for (const auto &[key, value] : s.parts.pairs)
            QVERIFY2(!key.isEmpty() && !value.isEmpty() && !value.contains(u'='), qPrintable(at));
    }
}

void TestRecordings::distinctAddressesAndIds()
{
    QSet<QString> addresses;
    QMap<QString, QString> directIds;   // id -> where
    QMap<QString, QString> audioIds;
    for (const Sent &s : allAddresses()) {
        QVERIFY2(!addresses.contains(s.address), qPrintable(where(s)));
        addresses.insert(s.address);
        auto &ids = isDirect(s) ? directIds : audioIds;
        const QString id = s.parts.value(isDirect(s) ? "id" : "audioid");
        QVERIFY2(!ids.contains(id), qPrintable(where(s) + QStringLiteral(" and ") + ids.value(id)));
        ids.insert(id, where(s));
    }
    QCOMPARE(directIds.size(), 878);
    QCOMPARE(audioIds.size(), 120);
}

// Which buttons write the blanks of moshaf as "%20", and which send rm_number 2.
void TestRecordings::perButtonChoices()
{
    const QMap<QString, QSet<int>> expectedPercent20{
        {"Form1", numbers({1, 2, 3, 4, 5, 6, 11, 85})}, {"Form3", numbers({1, 2, 4})},
        {"Form4", numbers({1, 41, 56})},                {"Form5", numbers({1, 65, 66})},
        {"Form6", numbers({1, 15})},                    {"Form7", numbers({1})},
        {"Form8", numbers({1})},                        {"Form10", numbers({1, 3, 5})},
    };
    for (const Recording *recording : recordings()) {
        const QString form = toQString(recording->form);
        QSet<int> percent20;
        for (const RecordingRow &row : recording->rows) {
            if (row.site == Site::DirectListen && row.moshafBlank == Blank::Percent20)
                percent20.insert(row.button);
        }
        QVERIFY2(percent20 == expectedPercent20.value(form), qPrintable(form));
    }

    // Form6's name is the one that shows the choice in the address.
    QCOMPARE(valueAt("Form6", 15, "moshaf"), QStringLiteral("شيخ%20Kasmirel"));
    QCOMPARE(valueAt("Form6", 14, "moshaf"), QStringLiteral("شيخ Kasmirel"));
    QCOMPARE(valueAt("Form6", 16, "moshaf"), QStringLiteral("شيخ Kasmirel"));
}

void TestRecordings::form5ButtonsWithoutAddress()
{
    const QSet<int> expected = numbers({3, 4, 5, 7, 10, 16, 17, 19, 24, 27, 28, 29, 30, 31,
                                        33, 34, 35, 36, 37, 39, 43, 44, 45, 46, 51, 52, 55, 57});
    QCOMPARE(expected.size(), 28);
    for (const Recording *recording : recordings()) {
        QSet<int> without;
        for (int button = 1; button <= kButtons; ++button) {
            if (!listenUrl(*recording, button, kHosts))
                without.insert(button);
        }
        QVERIFY2(without == (recording->form == "Form5" ? expected : QSet<int>()),
                 qPrintable(toQString(recording->form)));
    }
}

void TestRecordings::form9AudioIds()
{
    QList<int> ids;
    for (int button = 1; button <= kButtons; ++button)
        ids << valueAt("Form9", button, "audioid").toInt();
    std::sort(ids.begin(), ids.end());
    QList<int> expected;
    for (int id = 10501; id <= 10614; ++id)
        expected << id;
    QCOMPARE(ids, expected);
}

// Each page's smallest and largest id and sizes over its direct-listen rows:
// a slipped digit or a misplaced point in a table shows here.
void TestRecordings::pageRanges_data()
{
    QTest::addColumn<QString>("form");
    QTest::addColumn<QStringList>("ids");
    QTest::addColumn<QStringList>("mp3");
    QTest::addColumn<QStringList>("rm");

    QTest::newRow("Form1") << "Form1" << QStringList{"6233", "11869"} << QStringList{"0.09", "26.52"} << QStringList{"0.05", "13.81"};
    QTest::newRow("Form3") << "Form3" << QStringList{"70", "13780"} << QStringList{"0.05", "25.49"} << QStringList{"0.03", "13.35"};
    QTest::newRow("Form4") << "Form4" << QStringList{"733", "13718"} << QStringList{"0.06", "75.06"} << QStringList{"0.03", "7.84"};
    QTest::newRow("Form5") << "Form5" << QStringList{"123", "11427"} << QStringList{"0.07", "28.24"} << QStringList{"0.03", "7.82"};
    QTest::newRow("Form6") << "Form6" << QStringList{"9658", "9771"} << QStringList{"0.07", "26.87"} << QStringList{"0.04", "14.07"};
    QTest::newRow("Form7") << "Form7" << QStringList{"37", "3375"} << QStringList{"0.07", "29.83"} << QStringList{"0.03", "15.67"};
    QTest::newRow("Form8") << "Form8" << QStringList{"29", "2185"} << QStringList{"0.07", "26.68"} << QStringList{"0.03", "13.80"};
    QTest::newRow("Form10") << "Form10" << QStringList{"399", "13656"} << QStringList{"0.05", "18.96"} << QStringList{"0.03", "5.24"};
}

void TestRecordings::pageRanges()
{
    QFETCH(QString, form);
    QFETCH(QStringList, ids);
    QFETCH(QStringList, mp3);
    QFETCH(QStringList, rm);

    QList<QString> idValues, mp3Values, rmValues;
    for (const Sent &s : allAddresses()) {
        if (s.form != form || !isDirect(s))
            continue;
        idValues << s.parts.value("id");
        mp3Values << s.parts.value("mp3_size");
        rmValues << s.parts.value("rm_size");
    }
    const auto ends = [](const QList<QString> &values) {
        const auto [lo, hi] = std::minmax_element(values.begin(), values.end(),
            [](const QString &a, const QString &b) { return a.toDouble() < b.toDouble(); });
        return QStringList{*lo, *hi};
    };
    QCOMPARE(ends(idValues), ids);
    QCOMPARE(ends(mp3Values), mp3);
    QCOMPARE(ends(rmValues), rm);

    // Form6's ids climb with the button throughout.
    if (form == u"Form6") {
        for (qsizetype i = 1; i < idValues.size(); ++i)
            QVERIFY(idValues[i].toInt() > idValues[i - 1].toInt());
    }
}

// Values that single rows carry: surah 3's blank per page, ids that stand out
// of their run, sizes with trailing zeros, the listen-box rows among direct ones.
void TestRecordings::rowValues_data()
{
    QTest::addColumn<QString>("form");
    QTest::addColumn<int>("button");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");

    const auto row = [](const char *form, int button, const char *key, const QString &expected) {
        QTest::addRow("%s %d %s", form, button, key) << QString::fromLatin1(form) << button
                                                     << QString::fromLatin1(key) << expected;
    };
    const QString percent3 = QStringLiteral("آل%20عمران");
    const QString blank3 = QStringLiteral("آل عمران");

    row("Form1", 3, "name", percent3);
    row("Form10", 3, "name", percent3);
    row("Form3", 3, "name", blank3);
    row("Form4", 3, "name", blank3);
    row("Form6", 3, "name", blank3);
    row("Form7", 3, "name", blank3);
    row("Form8", 3, "name", blank3);

    row("Form1", 1, "id", "6788");
    row("Form1", 45, "id", "11869");
    row("Form1", 78, "id", "7552");
    row("Form1", 34, "name", QStringLiteral("سبأ"));
    row("Form3", 51, "id", "70");
    row("Form3", 24, "id", "13780");
    row("Form4", 12, "id", "13717");
    row("Form4", 18, "id", "2414");
    row("Form4", 29, "id", "5567");
    row("Form5", 77, "id", "142");
    row("Form5", 78, "id", "11427");
    row("Form5", 79, "id", "821");
    row("Form6", 114, "id", "9771");
    row("Form7", 3, "id", "37");
    row("Form7", 25, "id", "3375");
    row("Form7", 33, "id", "2416");
    row("Form7", 44, "id", "68");
    row("Form8", 12, "id", "30");
    row("Form8", 113, "id", "729");
    row("Form8", 114, "id", "728");
    row("Form10", 9, "id", "399");
    row("Form10", 18, "id", "13656");
    row("Form10", 35, "id", "681");

    row("Form1", 4, "mp3_size", "18.80");
    row("Form3", 26, "mp3_size", "6.40");
    row("Form3", 12, "rm_size", "4.20");
    row("Form3", 112, "mp3_size", "0.05");
    row("Form4", 40, "mp3_size", "5.00");
    row("Form4", 15, "rm_size", "1.30");
    row("Form4", 2, "mp3_size", "75.06");
    row("Form5", 22, "rm_size", "5.20");
    row("Form5", 54, "rm_size", "0.80");
    row("Form6", 16, "mp3_size", "8.00");
    row("Form6", 59, "mp3_size", "2.00");
    row("Form7", 78, "mp3_size", "1.00");
    row("Form7", 108, "rm_size", "0.03");
    row("Form8", 10, "mp3_size", "8.00");
    row("Form8", 111, "rm_size", "0.21");
    row("Form8", 114, "rm_size", "0.23");
    row("Form10", 6, "rm_size", "5.00");
    row("Form10", 52, "mp3_size", "1.00");
    row("Form10", 9, "mp3_size", "7.70");

    row("Form3", 32, "C_id", "32");
    row("Form3", 33, "audioid", "8495");
    row("Form3", 34, "C_id", "34");
    row("Form4", 29, "C_id", "29");
    row("Form4", 30, "audioid", "10887");
    row("Form4", 31, "C_id", "31");
    row("Form7", 75, "audioid", "8605");
    row("Form7", 76, "audioid", "8589");
    row("Form7", 77, "audioid", "8596");
    row("Form7", 78, "C_id", "78");
    row("Form9", 66, "audioid", "10614");
    row("Form9", 67, "audioid", "10501");
    row("Form9", 77, "audioid", "10511");
    row("Form9", 81, "audioid", "10524");
}

void TestRecordings::rowValues()
{
    QFETCH(QString, form);
    QFETCH(int, button);
    QFETCH(QString, key);
    QFETCH(QString, expected);

    QCOMPARE(valueAt(form, button, key), expected);
}

QTEST_APPLESS_MAIN(TestRecordings)
#include "tst_recordings.moc"
