// Shrink and Enlarge: which controls each view shows and the window's outer
// size, on every page.

#include "shell_test_support.h"

#include <shell/form_button.h>
#include <shell/page_design.h>

#include <QSignalSpy>

using namespace shell;

namespace {

QList<QWidget *> fullViewOnlyControls(RecitationPage *page)
{
    QList<QWidget *> controls;
    for (int n = 1; n <= 114; ++n)
        controls << page->button(n);
    controls << page->browserPane() << page->button(kExitButton) << page->button(kBackButton);
    for (const ShapeDesign &shape : pageShapes())
        controls << page->findChild<QWidget *>(QLatin1String(shape.name));
    return controls;
}

void verifyView(RecitationPage *page, bool full)
{
    for (QWidget *control : fullViewOnlyControls(page))
        QVERIFY2(control->isHidden() != full, qPrintable(control->objectName()));
    QCOMPARE(page->button(kEnlargeButton)->isHidden(), full);
    QVERIFY(!page->button(kShrinkButton)->isHidden()); // no view touches Shrink
}

QSize outerPixels(int widthTwips, int heightTwips)
{
    return {toPixels(widthTwips), toPixels(heightTwips)};
}

QList<int> disabledSurahButtons(RecitationPage *page)
{
    QList<int> disabled;
    for (int n = 1; n <= 114; ++n) {
        if (!page->button(n)->isEnabled())
            disabled << n;
    }
    return disabled;
}

} // namespace

class ViewsTest : public QObject
{
    Q_OBJECT

private slots:
    void shrinkAndEnlarge_data();
    void shrinkAndEnlarge();

private:
    testsupport::ShellFixture fixture_;
};

void ViewsTest::shrinkAndEnlarge_data()
{
    QTest::addColumn<QString>("form");
    for (const PageDescription &page : pageDescriptions())
        QTest::newRow(page.form) << QString::fromLatin1(page.form);
}

void ViewsTest::shrinkAndEnlarge()
{
    QFETCH(QString, form);
    fixture_.runtime().show(form);
    auto *page = fixture_.page(form);
    QVERIFY(QTest::qWaitForWindowExposed(page));
    const QPoint place = page->geometry().topLeft();
    const QList<int> disabled = disabledSurahButtons(page);
    verifyView(page, true);

    QTest::mouseClick(page->button(kShrinkButton), Qt::LeftButton);
    verifyView(page, false);
    QCOMPARE(page->frameGeometry().size(),
             outerPixels(kCompactViewOuterWidth, kCompactViewOuterHeight));
    // Enlarge, the one control inside the compact window, covers its corner.
    QCOMPARE(page->button(kEnlargeButton)->pos(), QPoint(0, 0));
    QVERIFY(page->button(kEnlargeButton)->width() > page->width());

    // Shrink lies outside the compact window but is still there; pressing
    // it again changes nothing.
    page->button(kShrinkButton)->click();
    verifyView(page, false);
    QCOMPARE(page->frameGeometry().size(),
             outerPixels(kCompactViewOuterWidth, kCompactViewOuterHeight));

    QTest::mouseClick(page->button(kEnlargeButton), Qt::LeftButton);
    verifyView(page, true);
    // Not the design size: the same full size on every page.
    QCOMPARE(page->frameGeometry().size(), outerPixels(kFullViewOuterWidth, kFullViewOuterHeight));

    // Views change visibility only: position, captions and enabled state stay.
    QCOMPARE(page->geometry().topLeft(), place);
    QCOMPARE(disabledSurahButtons(page), disabled);
    QCOMPARE(page->button(kShrinkButton)->text(), QStringLiteral(u"تصغير"));
    QVERIFY(page->browserPane()->url().isEmpty());

    fixture_.runtime().unload(form);
    testsupport::flushDeferredDeletes();
}

SORVANTEL_GUI_TEST_MAIN(ViewsTest)
#include "tst_views.moc"
