// Shrink and Enlarge: which controls each view shows and the window's outer
// size, on every page. The sizes are written out in twips and converted here.

#include "shell_test_support.h"

#include <shell/form_button.h>

using testsupport::design::pixels;
using testsupport::design::Twips;

namespace {

// Outer sizes (frame and title bar included), the same on every page.
const QSize kFullViewOuter(pixels(10236), pixels(8496));
const QSize kCompactViewOuter(pixels(1500), pixels(1668));

const Twips kShrinkPlace{9000, 6960, 852, 852};

QString command(int number)
{
    return QStringLiteral("Command%1").arg(number);
}

QWidget *control(QWidget *page, const QString &name)
{
    return page->findChild<QWidget *>(name, Qt::FindDirectChildrenOnly);
}

QWidget *enlarge(QWidget *page)
{
    return control(page, QStringLiteral("Command117"));
}

QWidget *shrink(QWidget *page)
{
    return control(page, QStringLiteral("Command118"));
}

QList<QWidget *> fullViewOnlyControls(QWidget *page)
{
    QList<QWidget *> controls;
    for (int n = 1; n <= 116; ++n)
        controls << control(page, command(n));
    for (const char *name : {"WebBrowser1", "Shape1", "Shape2"})
        controls << control(page, QLatin1String(name));
    return controls;
}

void verifyView(QWidget *page, bool full)
{
    for (QWidget *control : fullViewOnlyControls(page)) {
        QVERIFY(control);
        QVERIFY2(control->isHidden() != full, qPrintable(control->objectName()));
    }
    QCOMPARE(enlarge(page)->isHidden(), full);
    QVERIFY(!shrink(page)->isHidden()); // no view touches Shrink
}

QList<int> disabledSurahButtons(QWidget *page)
{
    QList<int> disabled;
    for (int n = 1; n <= 114; ++n) {
        if (!control(page, command(n))->isEnabled())
            disabled << n;
    }
    return disabled;
}

} // namespace

class ViewsTest : public QObject
{
    Q_OBJECT

private slots:
    void shrinkAndEnlarge_data() { testsupport::design::addPageRows(); }
    void shrinkAndEnlarge();

private:
    testsupport::ShellFixture fixture_;
};

void ViewsTest::shrinkAndEnlarge()
{
    QFETCH(QString, form);
    const testsupport::design::Page design = testsupport::design::page(form);
    fixture_.runtime().show(form);
    QWidget *page = fixture_.runtime().existing(form);
    QVERIFY(QTest::qWaitForWindowExposed(page));
    // A page opens at its design client rectangle, in the full view.
    QCOMPARE(page->geometry(), pixels(design.client));
    const QPoint place = page->geometry().topLeft();
    const QList<int> disabled = disabledSurahButtons(page);
    verifyView(page, true);

    QTest::mouseClick(shrink(page), Qt::LeftButton);
    verifyView(page, false);
    QCOMPARE(page->frameGeometry().size(), kCompactViewOuter);
    // Enlarge, the one control inside the compact window, covers its corner
    // and reaches past its right edge.
    QCOMPARE(enlarge(page)->geometry(), pixels(Twips{0, 0, design.enlargeWidth, 1212}));
    QVERIFY(enlarge(page)->width() > page->width());
    // Shrink stays at its design place, outside the compact window.
    QCOMPARE(shrink(page)->geometry(), pixels(kShrinkPlace));
    QVERIFY(!page->rect().intersects(shrink(page)->geometry()));

    // Pressing Shrink again changes nothing.
    qobject_cast<QAbstractButton *>(shrink(page))->click();
    verifyView(page, false);
    QCOMPARE(page->frameGeometry().size(), kCompactViewOuter);

    QTest::mouseClick(enlarge(page), Qt::LeftButton);
    verifyView(page, true);
    // Not the design size: the same full size on every page.
    QCOMPARE(page->frameGeometry().size(), kFullViewOuter);

    // Views change visibility only: position, captions, fonts and enabled state stay.
    QCOMPARE(page->geometry().topLeft(), place);
    QCOMPARE(disabledSurahButtons(page), disabled);
    QCOMPARE(qobject_cast<QAbstractButton *>(shrink(page))->text(), QStringLiteral(u"تصغير"));
    QCOMPARE(shrink(page)->font().pointSizeF(), 9.6);
    QCOMPARE(qobject_cast<QAbstractButton *>(enlarge(page))->text(), QStringLiteral(u"تكبير"));
    QCOMPARE(enlarge(page)->font().pointSizeF(), 13.8);
    QCOMPARE(enlarge(page)->geometry(), pixels(Twips{0, 0, design.enlargeWidth, 1212}));
    QVERIFY(fixture_.page(form)->browserPane()->url().isEmpty());

    fixture_.runtime().unload(form);
    testsupport::flushDeferredDeletes();
}

SORVANTEL_GUI_TEST_MAIN(ViewsTest)
#include "tst_views.moc"
