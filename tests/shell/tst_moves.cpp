// The moves between the menu and the pages: what is shown, what exists and
// what a page looks like when it is opened again.

#include "shell_test_support.h"

#include <shell/form_button.h>
#include <shell/menu_design.h>
#include <shell/page_design.h>
#include <shell/reciter_entries.h>

#include <QSignalSpy>

using namespace shell;

namespace {

const QString kMenu = QLatin1String(kMenuForm);

QStringList visibleWindows()
{
    QStringList names;
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (window->isVisible() && window->objectName().startsWith(QLatin1String("Form")))
            names << window->objectName();
    }
    return names;
}

QStringList existingPages()
{
    testsupport::flushDeferredDeletes();
    QStringList names;
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (qobject_cast<RecitationPage *>(window))
            names << window->objectName();
    }
    return names;
}

QString pageOpenedBy(const QString &menuButton)
{
    for (const ReciterEntry &entry : reciterEntries()) {
        if (controlName(entry.menuButton) == menuButton)
            return QLatin1String(entry.page);
    }
    return {};
}

} // namespace

class MovesTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void scenarios_data();
    void scenarios();
    void reopenedPageStartsAfresh_data();
    void reopenedPageStartsAfresh();
    void menuKeepsItsPlace();
    void exitEndsEverything_data();
    void exitEndsEverything();

private:
    // Runs one step: "open:<menu button>", "back", "shrink", "enlarge".
    void step(const QString &action);

    std::unique_ptr<testsupport::ShellFixture> fixture_;
    QString page_; // the page the last step left open
};

void MovesTest::init()
{
    fixture_ = std::make_unique<testsupport::ShellFixture>();
    page_.clear();
    fixture_->runtime().show(kMenu);
    QVERIFY(QTest::qWaitForWindowExposed(fixture_->runtime().existing(kMenu)));
}

void MovesTest::cleanup()
{
    fixture_.reset();
    testsupport::flushDeferredDeletes();
}

void MovesTest::step(const QString &action)
{
    FormsRuntime &runtime = fixture_->runtime();
    if (action.startsWith(QLatin1String("open:"))) {
        const QString button = action.mid(5);
        QTest::mouseClick(runtime.existing(kMenu)->findChild<FormButton *>(button), Qt::LeftButton);
        page_ = pageOpenedBy(button);
        return;
    }
    auto *page = fixture_->page(page_);
    QVERIFY2(page, qPrintable(action));
    const int button = action == QLatin1String("back")     ? kBackButton
                       : action == QLatin1String("shrink") ? kShrinkButton
                                                           : kEnlargeButton;
    QTest::mouseClick(page->button(button), Qt::LeftButton);
    if (button == kBackButton)
        page_.clear();
}

void MovesTest::scenarios_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::newRow("start") << QStringList{};
    for (const ReciterEntry &entry : reciterEntries()) {
        const QString open = QStringLiteral("open:") + controlName(entry.menuButton);
        QTest::addRow("%s open, back", entry.page) << QStringList{open, QStringLiteral("back")};
    }
    QTest::newRow("Form4 compact, back, another page")
        << QStringList{QStringLiteral("open:Command4"), QStringLiteral("shrink"),
                       QStringLiteral("back"), QStringLiteral("open:Command9"),
                       QStringLiteral("back")};
    QTest::newRow("every page in turn")
        << QStringList{QStringLiteral("open:Command1"),  QStringLiteral("back"),
                       QStringLiteral("open:Command5"),  QStringLiteral("shrink"),
                       QStringLiteral("enlarge"),        QStringLiteral("back"),
                       QStringLiteral("open:Command10"), QStringLiteral("back"),
                       QStringLiteral("open:Command1"),  QStringLiteral("back")};
}

void MovesTest::scenarios()
{
    QFETCH(QStringList, steps);
    for (const QString &action : steps) {
        step(action);
        if (QTest::currentTestFailed())
            return;
        // After every move exactly one window shows, and at most one page exists.
        const QString expected = page_.isEmpty() ? kMenu : page_;
        QCOMPARE(visibleWindows(), QStringList{expected});
        QCOMPARE(existingPages(), page_.isEmpty() ? QStringList{} : QStringList{page_});
        QVERIFY(fixture_->runtime().existing(kMenu)); // hidden or shown, never unloaded
    }
    QCOMPARE(visibleWindows(), page_.isEmpty() ? QStringList{kMenu} : QStringList{page_});
}

void MovesTest::reopenedPageStartsAfresh_data()
{
    QTest::addColumn<QString>("menuButton");
    QTest::newRow("Form1") << QStringLiteral("Command1");
    QTest::newRow("Form4") << QStringLiteral("Command4");
    QTest::newRow("Form5") << QStringLiteral("Command5");
}

void MovesTest::reopenedPageStartsAfresh()
{
    QFETCH(QString, menuButton);
    step(QStringLiteral("open:") + menuButton);
    const QString form = page_;
    const QPointer<RecitationPage> first = fixture_->page(form);
    step(QStringLiteral("shrink"));
    step(QStringLiteral("back"));
    testsupport::flushDeferredDeletes();
    QVERIFY(first.isNull());

    step(QStringLiteral("open:") + menuButton);
    RecitationPage *page = fixture_->page(form);
    QVERIFY(page);
    QVERIFY(QTest::qWaitForWindowExposed(page));
    QCOMPARE(page->geometry(), toPixels(pageDescription(form)->client));
    QVERIFY(page->button(kEnlargeButton)->isHidden());
    QVERIFY(!page->button(1)->isHidden() && !page->browserPane()->isHidden());
    QVERIFY(page->browserPane()->url().isEmpty());
}

void MovesTest::menuKeepsItsPlace()
{
    QWidget *menu = fixture_->runtime().existing(kMenu);
    QCOMPARE(menu->geometry(), toPixels(kMenuClient));
    menu->move(menu->pos() + QPoint(37, 23));
    const QPoint place = menu->pos();
    step(QStringLiteral("open:Command4"));
    QVERIFY(menu->isHidden());
    step(QStringLiteral("back"));
    QVERIFY(menu->isVisible());
    QCOMPARE(menu->pos(), place);
    QCOMPARE(fixture_->runtime().existing(kMenu), menu);
}

void MovesTest::exitEndsEverything_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("how");
    QTest::newRow("menu Exit") << QStringList{} << QStringLiteral("Command3");
    QTest::newRow("page Exit") << QStringList{QStringLiteral("open:Command7")}
                               << QStringLiteral("Command115");
    QTest::newRow("after Back") << QStringList{QStringLiteral("open:Command2"), QStringLiteral("back")}
                                << QStringLiteral("Command3");
    QTest::newRow("menu frame") << QStringList{} << QStringLiteral("close");
    QTest::newRow("compact page frame") << QStringList{QStringLiteral("open:Command11"),
                                                       QStringLiteral("shrink")}
                                        << QStringLiteral("close");
}

void MovesTest::exitEndsEverything()
{
    QFETCH(QStringList, steps);
    QFETCH(QString, how);
    for (const QString &action : steps)
        step(action);
    QSignalSpy ended(&fixture_->runtime(), &FormsRuntime::ended);

    QWidget *window = fixture_->runtime().existing(page_.isEmpty() ? kMenu : page_);
    if (how == QLatin1String("close"))
        window->close();
    else
        QTest::mouseClick(window->findChild<FormButton *>(how), Qt::LeftButton);

    QCOMPARE(ended.count(), 1);
    QCOMPARE(visibleWindows(), QStringList{});
    testsupport::flushDeferredDeletes();
    for (QWidget *topLevel : QApplication::topLevelWidgets())
        QVERIFY2(!topLevel->objectName().startsWith(QLatin1String("Form")),
                 qPrintable(topLevel->objectName()));
    // Nothing runs after the end: a move asked for now does nothing.
    fixture_->runtime().show(kMenu);
    QCOMPARE(visibleWindows(), QStringList{});
}

SORVANTEL_GUI_TEST_MAIN(MovesTest)
#include "tst_moves.moc"
