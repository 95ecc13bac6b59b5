// The menu window as the listener sees it: its caption and place, every
// button with its caption, place, font and frame, the page each one opens,
// its tab order and its colours on the screen. The expected values are
// written out here and in design_menu.tsv.

#include "shell_test_support.h"

#include <shell/frame_shape.h>

#include <QAbstractButton>
#include <QImage>
#include <QSignalSpy>

using testsupport::design::pixels;
using testsupport::design::Twips;

namespace {

const QString kMenu = QStringLiteral("Form2");

QWidget *control(QWidget *window, const QString &name)
{
    return window->findChild<QWidget *>(name, Qt::FindDirectChildrenOnly);
}

QString focusedControl(QWidget *window)
{
    QWidget *focused = QApplication::focusWidget();
    return focused && focused->parentWidget() == window ? focused->objectName() : QString();
}

} // namespace

class MenuDesignTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void menuWindow();
    void buttons_data();
    void buttons();
    void tabOrderAndFirstFocus();
    void colours();

private:
    QWidget *menu() const { return fixture_->runtime().existing(kMenu); }

    std::unique_ptr<testsupport::ShellFixture> fixture_;
};

void MenuDesignTest::init()
{
    fixture_ = std::make_unique<testsupport::ShellFixture>();
    fixture_->runtime().show(kMenu);
    QVERIFY(QTest::qWaitForWindowActive(menu()));
}

void MenuDesignTest::cleanup()
{
    fixture_.reset();
    testsupport::flushDeferredDeletes();
}

void MenuDesignTest::menuWindow()
{
    QCOMPARE(menu()->objectName(), kMenu);
    QCOMPARE(menu()->windowTitle(), QStringLiteral("Sorvantel"));
    QCOMPARE(menu()->geometry(), pixels(Twips{1932, 2076, 8532, 4800}));

    // Nothing lies outside the client area: the lowest edge is 4692 and the
    // rightmost 8412.
    QRect used;
    for (QWidget *child : menu()->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        used = used.united(child->geometry());
    QCOMPARE(used, pixels(Twips{120, 120, 8412 - 120, 4692 - 120}));
    QVERIFY(menu()->rect().contains(used));
}

void MenuDesignTest::buttons_data()
{
    QTest::addColumn<int>("row");
    const QList<testsupport::design::MenuButton> buttons = testsupport::design::menuButtons();
    QCOMPARE(buttons.size(), 10);
    for (qsizetype i = 0; i < buttons.size(); ++i)
        QTest::newRow(qPrintable(buttons[i].name)) << static_cast<int>(i);
}

void MenuDesignTest::buttons()
{
    QFETCH(int, row);
    const testsupport::design::MenuButton design = testsupport::design::menuButtons()[row];
    auto *button = qobject_cast<QAbstractButton *>(control(menu(), design.name));
    QVERIFY(button);
    QCOMPARE(button->text(), design.caption);
    QCOMPARE(button->geometry(), pixels(design.place));
    const QFont font = button->font();
    QCOMPARE(font.family(), QStringLiteral("MS Sans Serif"));
    QCOMPARE(font.pointSizeF(), 7.8);
    QVERIFY(font.bold());
    QVERIFY(!font.italic() && !font.underline() && !font.strikeOut());

    auto *frame = qobject_cast<shell::FrameShape *>(control(menu(), design.frame));
    QVERIFY(frame);
    QCOMPARE(frame->geometry(), pixels(design.framePlace));
    QCOMPARE(frame->geometry(), button->geometry().adjusted(-8, -8, 8, 8));

    // What a click does: open its page and hide the menu, or end the program.
    QSignalSpy ended(&fixture_->runtime(), &shell::FormsRuntime::ended);
    QTest::mouseClick(button, Qt::LeftButton);
    if (design.opens.isEmpty()) {
        QCOMPARE(ended.count(), 1);
        return;
    }
    QCOMPARE(ended.count(), 0);
    QWidget *page = fixture_->runtime().existing(design.opens);
    QVERIFY2(page && page->isVisible(), qPrintable(design.opens));
    QCOMPARE(page->windowTitle(), testsupport::design::page(design.opens).caption);
    QVERIFY(menu()->isHidden());
}

void MenuDesignTest::tabOrderAndFirstFocus()
{
    const QStringList order = {
        QStringLiteral("Command1"), QStringLiteral("Command2"), QStringLiteral("Command3"),
        QStringLiteral("Command4"), QStringLiteral("Command5"), QStringLiteral("Command7"),
        QStringLiteral("Command8"), QStringLiteral("Command9"), QStringLiteral("Command10"),
        QStringLiteral("Command11"),
    };
    QStringList walked{focusedControl(menu())};
    for (qsizetype i = 0; i < order.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        walked << focusedControl(menu());
    }
    // Round the whole order and back to the first.
    QCOMPARE(walked, order + QStringList{order.first()});
}

// The colours as the screen shows them: the designs' 0x00BBGGRR values keep
// red in the low byte.
void MenuDesignTest::colours()
{
    QVERIFY(QTest::qWaitForWindowExposed(menu()));
    const QImage image = menu()->grab().toImage();
    const QColor darkNavy(0, 0, 64);
    const QColor lightBlue(192, 192, 255);
    const QColor outline(128, 128, 255);
    const QRect button = control(menu(), QStringLiteral("Command10"))->geometry();
    const QRect exitFrame = control(menu(), QStringLiteral("Shape10"))->geometry();
    const QRect frame7 = control(menu(), QStringLiteral("Shape7"))->geometry();
    struct Probe {
        const char *what;
        QPoint at;
        QColor expected;
    };
    const Probe probes[] = {
        {"window back", QPoint(3, 3), darkNavy},
        {"window back below the buttons", QPoint(menu()->width() / 2, menu()->height() - 3), darkNavy},
        {"button face", button.topLeft() + QPoint(4, 4), lightBlue},
        {"Exit frame top edge", exitFrame.topLeft() + QPoint(exitFrame.width() / 2, 0), outline},
        {"Shape7 left edge", frame7.topLeft() + QPoint(0, frame7.height() / 2), outline},
        {"inside the Exit frame", exitFrame.topLeft() + QPoint(3, 3), darkNavy},
    };
    for (const Probe &probe : probes)
        QVERIFY2(image.pixelColor(probe.at) == probe.expected,
                 qPrintable(QStringLiteral("%1: %2").arg(QLatin1String(probe.what),
                                                          image.pixelColor(probe.at).name())));
}

SORVANTEL_GUI_TEST_MAIN(MenuDesignTest)
#include "tst_menu_design.moc"
