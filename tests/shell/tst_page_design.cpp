// The recitation page as it stands once it has opened: the places of its
// controls, their looks, its tab order, and the state its load leaves.

#include "shell_test_support.h"

#include <shell/form_button.h>
#include <shell/frame_shape.h>
#include <shell/page_design.h>
#include <shell/reciter_entries.h>
#include <shell/surah_list.h>
#include <shell/window_building.h>

#include <QFontDatabase>
#include <QFontInfo>
#include <QImage>

using namespace shell;

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

QStringList allPages()
{
    QStringList forms;
    for (const PageDescription &page : pageDescriptions())
        forms << QLatin1String(page.form);
    return forms;
}

void addPageRows()
{
    QTest::addColumn<QString>("form");
    for (const QString &form : allPages())
        QTest::newRow(qPrintable(form)) << form;
}

TwipsRect unite(const TwipsRect &a, const TwipsRect &b)
{
    const int left = std::min(a.left, b.left);
    const int top = std::min(a.top, b.top);
    return {left, top, std::max(a.right(), b.right()) - left, std::max(a.bottom(), b.bottom()) - top};
}

TwipsRect pageButtonRect(int number)
{
    for (const PageButtonDesign &design : fixedPageButtons()) {
        if (design.number == number)
            return design.rect;
    }
    return {};
}

} // namespace

class PageDesignTest : public QObject
{
    Q_OBJECT

private slots:
    void surahButtonPlaces_data();
    void surahButtonPlaces();
    void nothingCoversThePaneOrTheFrames();
    void framesLieOutsideWhatTheyFrame();

    void builtPage_data() { addPageRows(); }
    void builtPage();
    void loadEndState_data() { addPageRows(); }
    void loadEndState();
    void tabOrderAndFirstFocus_data() { addPageRows(); }
    void tabOrderAndFirstFocus();
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
}

void PageDesignTest::nothingCoversThePaneOrTheFrames()
{
    const auto shapes = pageShapes();
    int narrowest = std::numeric_limits<int>::max();
    int lowest = std::numeric_limits<int>::max();
    for (const PageDescription &page : pageDescriptions()) {
        narrowest = std::min(narrowest, page.client.width);
        lowest = std::min(lowest, page.client.height);
    }
    const TwipsRect client{0, 0, narrowest, lowest};
    for (int n = 1; n <= kSurahCount; ++n) {
        const TwipsRect rect = surahButtonRect(n);
        QVERIFY2(client.contains(rect), qPrintable(controlName(n)));
        QVERIFY2(!rect.intersects(kBrowserPaneRect), qPrintable(controlName(n)));
        for (const ShapeDesign &shape : shapes)
            QVERIFY2(!rect.intersects(shape.rect), qPrintable(controlName(n) + QLatin1String(shape.name)));
        for (int other = n + 1; other <= kSurahCount; ++other)
            QVERIFY(!rect.intersects(surahButtonRect(other)));
    }
    for (const ShapeDesign &shape : shapes)
        QVERIFY(client.contains(shape.rect));
}

void PageDesignTest::framesLieOutsideWhatTheyFrame()
{
    QCOMPARE(pageShapes()[0].rect, framedRect(kBrowserPaneRect));
    const TwipsRect row = unite(unite(pageButtonRect(kExitButton), pageButtonRect(kBackButton)),
                                pageButtonRect(kShrinkButton));
    QCOMPARE(pageShapes()[1].rect, framedRect(row));
}

void PageDesignTest::builtPage()
{
    QFETCH(QString, form);
    auto *page = qobject_cast<RecitationPage *>(fixture_.runtime().window(form));
    QVERIFY(page);
    const PageDescription &description = *pageDescription(form);

    QCOMPARE(page->objectName(), form);
    QCOMPARE(page->windowTitle(), pageCaption(QLatin1String(description.form)));
    QVERIFY(!page->windowTitle().isEmpty());
    QCOMPARE(page->geometry(), toPixels(description.client));

    for (int n = 1; n <= kSurahCount; ++n) {
        FormButton *button = page->button(n);
        QVERIFY2(button, qPrintable(controlName(n)));
        QCOMPARE(button->geometry(), toPixels(surahButtonRect(n)));
        if (n != kRefacedSurahButton) {
            const FontSpec font = surahButtonFont(n);
            QCOMPARE(button->font().family(), QLatin1String(font.face));
            QCOMPARE(button->font().pointSizeF(), font.pointSize);
        }
        QCOMPARE(button->font().weight(), QFont::Bold);
        QVERIFY(!button->font().italic() && !button->font().underline() && !button->font().strikeOut());
    }
    for (const PageButtonDesign &design : fixedPageButtons()) {
        FormButton *button = page->button(design.number);
        QCOMPARE(button->text(), QString::fromUtf16(design.caption));
        QCOMPARE(button->geometry(), toPixels(design.rect));
        QCOMPARE(button->font().pointSizeF(), design.pointSize);
    }
    FormButton *enlarge = page->button(kEnlargeButton);
    QCOMPARE(enlarge->text(), QStringLiteral(u"تكبير"));
    QCOMPARE(enlarge->geometry(), toPixels(TwipsRect{0, 0, description.enlargeWidth, 1212}));
    QCOMPARE(enlarge->font().pointSizeF(), 13.8);

    QCOMPARE(page->browserPane()->objectName(), QStringLiteral("WebBrowser1"));
    QCOMPARE(page->browserPane()->geometry(), toPixels(kBrowserPaneRect));
    for (const ShapeDesign &shape : pageShapes()) {
        auto *frame = page->findChild<FrameShape *>(QLatin1String(shape.name));
        QVERIFY(frame);
        QCOMPARE(frame->geometry(), toPixels(shape.rect));
    }
    fixture_.runtime().unload(form);
}

void PageDesignTest::loadEndState()
{
    QFETCH(QString, form);
    auto *page = qobject_cast<RecitationPage *>(fixture_.runtime().window(form));

    for (int n = 1; n <= kSurahCount; ++n)
        QCOMPARE(page->button(n)->text(), surahCaption(n));
    QCOMPARE(page->button(3)->text(), QStringLiteral(u"ال عمران"));
    QCOMPARE(page->button(112)->text(), QStringLiteral(u"الاخلاص"));

    // Load gives surah 112 the small face but keeps its larger design size.
    const QFont reface = page->button(kRefacedSurahButton)->font();
    QCOMPARE(reface.family(), QStringLiteral("Small Fonts"));
    QCOMPARE(reface.pointSizeF(), 7.8);
    QVERIFY(reface.bold());
    QCOMPARE(page->button(63)->font().pointSizeF(), 6.6);

    // The design's faces may be missing here; what draws them must show Arabic in bold.
    for (int n : {1, 63, kRefacedSurahButton}) {
        const QFontInfo drawn(page->button(n)->font());
        QVERIFY2(QFontDatabase::writingSystems(drawn.family()).contains(QFontDatabase::Arabic),
                 qPrintable(drawn.family()));
        QVERIFY(drawn.bold());
    }

    QVERIFY(page->button(kEnlargeButton)->isHidden());
    QList<QWidget *> shown = {page->browserPane(), page->button(kExitButton),
                              page->button(kBackButton), page->button(kShrinkButton)};
    for (const ShapeDesign &shape : pageShapes())
        shown << page->findChild<QWidget *>(QLatin1String(shape.name));
    for (int n = 1; n <= kSurahCount; ++n)
        shown << page->button(n);
    for (QWidget *control : shown)
        QVERIFY2(!control->isHidden(), qPrintable(control->objectName()));

    QList<int> disabled;
    for (int n = 1; n <= kSurahCount; ++n) {
        if (!page->button(n)->isEnabled())
            disabled << n;
    }
    const auto form5 = buttonsWithoutAddressOnForm5();
    const QList<int> expected = form == QLatin1String("Form5") ? QList<int>(form5.begin(), form5.end())
                                                               : QList<int>{};
    QCOMPARE(disabled, expected);
    if (form == QLatin1String("Form5"))
        QCOMPARE(disabled.size(), 28);

    // Nothing has been sent to the pane.
    QVERIFY(page->browserPane()->url().isEmpty());
    fixture_.runtime().unload(form);
}

namespace {

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

void PageDesignTest::tabOrderAndFirstFocus()
{
    QFETCH(QString, form);
    fixture_.runtime().show(form);
    auto *page = fixture_.page(form);
    QVERIFY(QTest::qWaitForWindowActive(page));

    QStringList expected = tabOrderNames(pageDescription(form)->tabOrder);
    QCOMPARE(expected.size(), 119);
    QCOMPARE(QSet<QString>(expected.begin(), expected.end()).size(), 119);
    expected.removeAll(QStringLiteral("Command117")); // Enlarge is hidden in the full view
    if (form == QLatin1String("Form5")) {
        for (int n : buttonsWithoutAddressOnForm5()) // disabled buttons take no focus
            expected.removeAll(controlName(n));
    }

    // Tab from the first focus until the pane, then Shift+Tab back from
    // whatever follows the pane (the web view keeps Tab for its own page).
    const qsizetype paneAt = expected.indexOf(QStringLiteral("WebBrowser1"));
    QStringList walked{focusedControl(page)};
    while (walked.size() <= paneAt) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        walked << focusedControl(page);
    }
    QCOMPARE(walked, expected.mid(0, paneAt + 1));

    page->findChild<QWidget *>(expected[(paneAt + 1) % expected.size()])->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    QCOMPARE(focusedControl(page), QStringLiteral("WebBrowser1"));

    fixture_.runtime().unload(form);
    testsupport::flushDeferredDeletes();
    fixture_.runtime().show(form);
    QVERIFY(QTest::qWaitForWindowActive(fixture_.page(form)));
    QCOMPARE(focusedControl(fixture_.page(form)), expected.first());
    QCOMPARE(expected.first(), form == QLatin1String("Form1") ? QStringLiteral("Command1")
                                                              : QStringLiteral("Command118"));
    fixture_.runtime().unload(form);
}

void PageDesignTest::colours()
{
    fixture_.runtime().show(QStringLiteral("Form1"));
    auto *page = fixture_.page(QStringLiteral("Form1"));
    QVERIFY(QTest::qWaitForWindowExposed(page));
    const QImage image = page->grab().toImage();

    const QRect surah14 = page->button(14)->geometry();
    const QRect shape2 = page->findChild<QWidget *>(QStringLiteral("Shape2"))->geometry();
    struct Probe {
        const char *what;
        QPoint at;
        quint32 bgr;
    };
    const Probe probes[] = {
        {"window back", QPoint(3, 3), kPageBack},
        {"button face", surah14.topLeft() + QPoint(4, 4), kButtonFace},
        {"frame outline", shape2.topLeft() + QPoint(shape2.width() / 2, 0), kFrameOutline},
        {"inside a frame", shape2.topLeft() + QPoint(3, 3), kPageBack},
    };
    for (const Probe &probe : probes)
        QVERIFY2(image.pixelColor(probe.at) == colourFromBgr(probe.bgr),
                 qPrintable(QStringLiteral("%1: %2").arg(QLatin1String(probe.what),
                                                          image.pixelColor(probe.at).name())));
    QCOMPARE(colourFromBgr(kButtonFace), QColor(0xC0, 0xC0, 0xFF));
    fixture_.runtime().unload(QStringLiteral("Form1"));
}

SORVANTEL_GUI_TEST_MAIN(PageDesignTest)
#include "tst_page_design.moc"
