// The recitation page as it stands once it has opened: the places of its
// controls, their looks, its tab order, its colours on the screen, and the
// state its load leaves. Every expected value is written out here or in the
// design_*.tsv files; the built windows are read as the listener sees them.

#include "shell_test_support.h"

#include <shell/form_button.h>
#include <shell/frame_shape.h>
#include <shell/page_design.h>

#include <QFontDatabase>
#include <QFontInfo>
#include <QImage>

using namespace shell;
using testsupport::design::pixels;
using testsupport::design::Twips;

Q_DECLARE_METATYPE(shell::TwipsRect)

namespace QTest {
template <>
char *toString(const shell::TwipsRect &rect)
{
    return qstrdup(qPrintable(QStringLiteral("(%1, %2, %3 x %4)")
                                  .arg(rect.left).arg(rect.top).arg(rect.width).arg(rect.height)));
}
} // namespace QTest

namespace {

const QString kSansSerifFace = QStringLiteral("MS Sans Serif");
const QString kSmallFace = QStringLiteral("Small Fonts");

const QList<int> kTallerSurahButtons = {18, 19, 30, 44, 48, 50, 54, 63, 66, 80, 99, 100, 108};
const QList<int> kWiderSurahButtons = {78, 94};
const QList<int> kLongNameSurahButtons = {23, 29, 37, 49, 51, 58, 60, 63, 77, 79, 83, 84, 100, 109};
const QList<int> kForm5ButtonsWithoutAddress = {3,  4,  5,  7,  10, 16, 17, 19, 24, 27, 28, 29, 30, 31,
                                                33, 34, 35, 36, 37, 39, 43, 44, 45, 46, 51, 52, 55, 57};

QString command(int number)
{
    return QStringLiteral("Command%1").arg(number);
}

// Surah button n: 14 columns from the right at Left 9480 - 720 k, rows of 14
// from Top 120 with a pitch of 600 for buttons 1 to 98, then rows of five in
// the right-hand columns from Top 4320; 576 by 492 but for the exceptions.
Twips surahButtonPlace(int n)
{
    const bool fullRow = n <= 98;
    const int row = fullRow ? (n - 1) / 14 : (n - 99) / 5;
    const int column = fullRow ? (n - 1) % 14 : (n - 99) % 5;
    const int top = (fullRow ? 120 : 4320) + 600 * row;
    return {9480 - 720 * column, top, kWiderSurahButtons.contains(n) ? 612 : 576,
            kTallerSurahButtons.contains(n) ? 500 : 492};
}

struct FontLook {
    QString face;
    double pointSize;
};

// Surah 112 gets the small face at load but keeps its design size.
FontLook surahButtonLook(int n)
{
    if (kLongNameSurahButtons.contains(n))
        return {kSmallFace, 6.6};
    return {n == 112 ? kSmallFace : kSansSerifFace, 7.8};
}

struct PageButton {
    int number;
    QString caption;
    Twips place;
    double pointSize;
};

// Exit, Back and Shrink; Enlarge's width is the page's own.
const QList<PageButton> kFixedPageButtons = {
    {115, QStringLiteral(u"خروج"), {6840, 6960, 852, 852}, 7.8},
    {116, QStringLiteral(u"رجوع"), {7920, 6960, 852, 852}, 7.8},
    {118, QStringLiteral(u"تصغير"), {9000, 6960, 852, 852}, 9.6},
};

PageButton enlargeButton(int width)
{
    return {117, QStringLiteral(u"تكبير"), {0, 0, width, 1212}, 13.8};
}

const Twips kPanePlace{240, 4440, 6132, 3372};
const Twips kShape1Place{120, 4320, 6372, 3612};
const Twips kShape2Place{6720, 6840, 3252, 1092};

QStringList tabOrderA()
{
    QStringList names;
    for (int n = 1; n <= 93; ++n)
        names << command(n);
    for (int n = 95; n <= 114; ++n)
        names << command(n);
    names << command(115) << command(94) << command(116) << QStringLiteral("WebBrowser1")
          << command(117) << command(118);
    return names;
}

QStringList tabOrderB()
{
    QStringList names{command(118), command(117), command(116), command(94), command(115)};
    for (int n = 114; n >= 95; --n)
        names << command(n);
    for (int n = 93; n >= 1; --n)
        names << command(n);
    names << QStringLiteral("WebBrowser1");
    return names;
}

QWidget *control(QWidget *page, const QString &name)
{
    return page->findChild<QWidget *>(name, Qt::FindDirectChildrenOnly);
}

FormButton *buttonOf(QWidget *page, int number)
{
    return page->findChild<FormButton *>(command(number), Qt::FindDirectChildrenOnly);
}

// Compares a button's font with its design: face as set, size, bold and plain.
void verifyFont(const QWidget *button, const QString &face, double pointSize)
{
    const QFont font = button->font();
    QVERIFY2(font.family() == face, qPrintable(button->objectName() + QLatin1String(": ") + font.family()));
    QVERIFY2(qFuzzyCompare(font.pointSizeF(), pointSize),
             qPrintable(button->objectName() + QStringLiteral(": %1 pt").arg(font.pointSizeF())));
    QVERIFY2(font.bold(), qPrintable(button->objectName()));
    QVERIFY(!font.italic() && !font.underline() && !font.strikeOut());
}

// The page's control that holds the keyboard focus (the web view's inner
// widget counts as the view).
QString focusedControl(QWidget *page)
{
    QWidget *focused = QApplication::focusWidget();
    while (focused && focused->parentWidget() != page)
        focused = focused->parentWidget();
    return focused ? focused->objectName() : QString();
}

} // namespace

class PageDesignTest : public QObject
{
    Q_OBJECT

private slots:
    void surahButtonPlaces_data();
    void surahButtonPlaces();

    void builtPage_data() { testsupport::design::addPageRows(); }
    void builtPage();
    void nothingCoversThePaneOrTheFrames_data() { testsupport::design::addPageRows(); }
    void nothingCoversThePaneOrTheFrames();
    void loadEndState_data() { testsupport::design::addPageRows(); }
    void loadEndState();
    void tabOrderAndFirstFocus_data() { testsupport::design::addPageRows(); }
    void tabOrderAndFirstFocus();
    void colours_data() { testsupport::design::addPageRows(); }
    void colours();

private:
    testsupport::ShellFixture fixture_;
};

void PageDesignTest::surahButtonPlaces_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<TwipsRect>("expected");
    QTest::newRow("1 top right") << 1 << TwipsRect{9480, 120, 576, 492};
    QTest::newRow("14 top left") << 14 << TwipsRect{120, 120, 576, 492};
    QTest::newRow("15 second row right") << 15 << TwipsRect{9480, 720, 576, 492};
    QTest::newRow("18 taller") << 18 << TwipsRect{7320, 720, 576, 500};
    QTest::newRow("63 taller") << 63 << TwipsRect{5160, 2520, 576, 500};
    QTest::newRow("78 wider") << 78 << TwipsRect{4440, 3120, 612, 492};
    QTest::newRow("85 row 7 right") << 85 << TwipsRect{9480, 3720, 576, 492};
    QTest::newRow("94 wider") << 94 << TwipsRect{3000, 3720, 612, 492};
    QTest::newRow("98 row 7 left") << 98 << TwipsRect{120, 3720, 576, 492};
    QTest::newRow("99 short row") << 99 << TwipsRect{9480, 4320, 576, 500};
    QTest::newRow("100 taller") << 100 << TwipsRect{8760, 4320, 576, 500};
    QTest::newRow("103 short row end") << 103 << TwipsRect{6600, 4320, 576, 492};
    QTest::newRow("108 taller") << 108 << TwipsRect{6600, 4920, 576, 500};
    QTest::newRow("113") << 113 << TwipsRect{6600, 5520, 576, 492};
    QTest::newRow("114 alone") << 114 << TwipsRect{9480, 6120, 576, 492};
}

void PageDesignTest::surahButtonPlaces()
{
    QFETCH(int, button);
    QFETCH(TwipsRect, expected);
    QCOMPARE(surahButtonRect(button), expected);
    // The test's own grid rule agrees with the places written out above.
    const Twips place = surahButtonPlace(button);
    QCOMPARE((TwipsRect{place.left, place.top, place.width, place.height}), expected);
}

void PageDesignTest::builtPage()
{
    QFETCH(QString, form);
    const testsupport::design::Page design = testsupport::design::page(form);
    QWidget *page = fixture_.runtime().window(form);
    QVERIFY(page);

    QCOMPARE(page->objectName(), form);
    QCOMPARE(page->windowTitle(), design.caption);
    QCOMPARE(page->geometry(), pixels(design.client));

    for (int n = 1; n <= 114; ++n) {
        FormButton *button = buttonOf(page, n);
        QVERIFY2(button, qPrintable(command(n)));
        QCOMPARE(button->geometry(), pixels(surahButtonPlace(n)));
        const FontLook look = surahButtonLook(n);
        verifyFont(button, look.face, look.pointSize);
        if (QTest::currentTestFailed())
            return;
    }

    QList<PageButton> pageButtons = kFixedPageButtons;
    pageButtons << enlargeButton(design.enlargeWidth);
    for (const PageButton &expected : pageButtons) {
        FormButton *button = buttonOf(page, expected.number);
        QVERIFY2(button, qPrintable(command(expected.number)));
        QCOMPARE(button->text(), expected.caption);
        QCOMPARE(button->geometry(), pixels(expected.place));
        verifyFont(button, kSansSerifFace, expected.pointSize);
        if (QTest::currentTestFailed())
            return;
    }

    QWidget *pane = control(page, QStringLiteral("WebBrowser1"));
    QVERIFY(pane);
    QCOMPARE(pane->geometry(), pixels(kPanePlace));
    auto *shape1 = qobject_cast<FrameShape *>(control(page, QStringLiteral("Shape1")));
    auto *shape2 = qobject_cast<FrameShape *>(control(page, QStringLiteral("Shape2")));
    QVERIFY(shape1 && shape2);
    QCOMPARE(shape1->geometry(), pixels(kShape1Place));
    QCOMPARE(shape2->geometry(), pixels(kShape2Place));
    fixture_.runtime().unload(form);
}

// The frames lie 120 twips (8 pixels) outside what they frame, no surah
// button lies over the pane, the frames or another button, and everything
// fits in the page's client area.
void PageDesignTest::nothingCoversThePaneOrTheFrames()
{
    QFETCH(QString, form);
    QWidget *page = fixture_.runtime().window(form);
    const QRect pane = control(page, QStringLiteral("WebBrowser1"))->geometry();
    const QRect shape1 = control(page, QStringLiteral("Shape1"))->geometry();
    const QRect shape2 = control(page, QStringLiteral("Shape2"))->geometry();
    const QRect pageButtonRow = buttonOf(page, 115)->geometry()
                                    .united(buttonOf(page, 116)->geometry())
                                    .united(buttonOf(page, 118)->geometry());
    QCOMPARE(shape1, pane.adjusted(-8, -8, 8, 8));
    QCOMPARE(shape2, pageButtonRow.adjusted(-8, -8, 8, 8));
    QVERIFY(page->rect().contains(shape1) && page->rect().contains(shape2));

    for (int n = 1; n <= 114; ++n) {
        const QRect button = buttonOf(page, n)->geometry();
        QVERIFY2(page->rect().contains(button), qPrintable(command(n)));
        for (const QRect &kept : {pane, shape1, shape2})
            QVERIFY2(!button.intersects(kept), qPrintable(command(n)));
        for (int other = n + 1; other <= 114; ++other)
            QVERIFY2(!button.intersects(buttonOf(page, other)->geometry()),
                     qPrintable(command(n) + QLatin1Char(' ') + command(other)));
    }
    fixture_.runtime().unload(form);
}

void PageDesignTest::loadEndState()
{
    QFETCH(QString, form);
    QWidget *page = fixture_.runtime().window(form);

    const QStringList captions = testsupport::design::surahCaptions();
    QCOMPARE(captions.size(), 114);
    for (int n = 1; n <= 114; ++n)
        QCOMPARE(buttonOf(page, n)->text(), captions[n - 1]);
    QCOMPARE(buttonOf(page, 3)->text(), QStringLiteral(u"ال عمران"));
    QCOMPARE(buttonOf(page, 112)->text(), QStringLiteral(u"الاخلاص"));

    // Load gives surah 112 the small face but keeps its larger design size.
    verifyFont(buttonOf(page, 112), kSmallFace, 7.8);
    verifyFont(buttonOf(page, 63), kSmallFace, 6.6);

    // The design's faces may be missing here; what draws them must show Arabic in bold.
    for (int n : {1, 63, 112}) {
        const QFontInfo drawn(buttonOf(page, n)->font());
        QVERIFY2(QFontDatabase::writingSystems(drawn.family()).contains(QFontDatabase::Arabic),
                 qPrintable(drawn.family()));
        QVERIFY(drawn.bold());
    }

    QVERIFY(buttonOf(page, 117)->isHidden());
    QList<QWidget *> shown;
    for (const char *name : {"WebBrowser1", "Command115", "Command116", "Command118", "Shape1", "Shape2"})
        shown << control(page, QLatin1String(name));
    for (int n = 1; n <= 114; ++n)
        shown << buttonOf(page, n);
    for (QWidget *control : shown)
        QVERIFY2(control && !control->isHidden(), qPrintable(control ? control->objectName() : QString()));

    QList<int> disabled;
    for (int n = 1; n <= 114; ++n) {
        if (!buttonOf(page, n)->isEnabled())
            disabled << n;
    }
    QCOMPARE(disabled, form == QLatin1String("Form5") ? kForm5ButtonsWithoutAddress : QList<int>{});

    // Nothing has been sent to the pane.
    QVERIFY(fixture_.page(form)->browserPane()->url().isEmpty());
    fixture_.runtime().unload(form);
}

void PageDesignTest::tabOrderAndFirstFocus()
{
    QFETCH(QString, form);
    const testsupport::design::Page design = testsupport::design::page(form);
    fixture_.runtime().show(form);
    QWidget *page = fixture_.runtime().existing(form);
    QVERIFY(QTest::qWaitForWindowActive(page));

    QStringList expected = design.tabOrder == QLatin1Char('A') ? tabOrderA() : tabOrderB();
    QCOMPARE(expected.size(), 119);
    expected.removeAll(QStringLiteral("Command117")); // Enlarge is hidden in the full view
    if (form == QLatin1String("Form5")) {
        for (int n : kForm5ButtonsWithoutAddress) // disabled buttons take no focus
            expected.removeAll(command(n));
    }
    QCOMPARE(focusedControl(page), design.firstFocus);
    QCOMPARE(expected.first(), design.firstFocus);

    // Tab from the first focus until the pane, then Shift+Tab back from
    // whatever follows the pane (the web view keeps Tab for its own page).
    const qsizetype paneAt = expected.indexOf(QStringLiteral("WebBrowser1"));
    QStringList walked{focusedControl(page)};
    while (walked.size() <= paneAt) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        walked << focusedControl(page);
    }
    QCOMPARE(walked, expected.mid(0, paneAt + 1));

    control(page, expected[(paneAt + 1) % expected.size()])->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    QCOMPARE(focusedControl(page), QStringLiteral("WebBrowser1"));

    // A page opened anew starts at its first focus again.
    fixture_.runtime().unload(form);
    testsupport::flushDeferredDeletes();
    fixture_.runtime().show(form);
    QVERIFY(QTest::qWaitForWindowActive(fixture_.runtime().existing(form)));
    QCOMPARE(focusedControl(fixture_.runtime().existing(form)), design.firstFocus);
    fixture_.runtime().unload(form);
}

// The colours as the screen shows them: the designs' 0x00BBGGRR values keep
// red in the low byte.
void PageDesignTest::colours()
{
    QFETCH(QString, form);
    fixture_.runtime().show(form);
    QWidget *page = fixture_.runtime().existing(form);
    QVERIFY(QTest::qWaitForWindowExposed(page));
    const QImage image = page->grab().toImage();

    const QColor navy(0, 0, 128);
    const QColor lightBlue(192, 192, 255);
    const QColor outline(128, 128, 255);
    const QRect surah14 = buttonOf(page, 14)->geometry();
    const QRect exit = buttonOf(page, 115)->geometry();
    const QRect shape1 = control(page, QStringLiteral("Shape1"))->geometry();
    const QRect shape2 = control(page, QStringLiteral("Shape2"))->geometry();
    struct Probe {
        const char *what;
        QPoint at;
        QColor expected;
    };
    const Probe probes[] = {
        {"window back", QPoint(3, 3), navy},
        {"window back right of the grid", QPoint(page->width() - 3, 3), navy},
        {"surah button face", surah14.topLeft() + QPoint(4, 4), lightBlue},
        {"page button face", exit.topLeft() + QPoint(4, 4), lightBlue},
        {"Shape2 top edge", shape2.topLeft() + QPoint(shape2.width() / 2, 0), outline},
        {"Shape2 left edge", shape2.topLeft() + QPoint(0, shape2.height() / 2), outline},
        {"Shape1 top edge", shape1.topLeft() + QPoint(shape1.width() / 2, 0), outline},
        {"inside Shape2", shape2.topLeft() + QPoint(3, 3), navy},
    };
    for (const Probe &probe : probes)
        QVERIFY2(image.pixelColor(probe.at) == probe.expected,
                 qPrintable(QStringLiteral("%1: %2").arg(QLatin1String(probe.what),
                                                          image.pixelColor(probe.at).name())));
    fixture_.runtime().unload(form);
}

SORVANTEL_GUI_TEST_MAIN(PageDesignTest)
#include "tst_page_design.moc"
