// The moves between the menu and the pages: what is shown, what exists, in
// which order Back shows the menu and unloads the page, and what a page looks
// like when it is opened again.

#include "shell_test_support.h"

#include <shell/form_button.h>

#include <QPointer>
#include <QSignalSpy>

using namespace shell;
using testsupport::design::pixels;

namespace {

const QString kMenu = QStringLiteral("Form2");

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
    for (const testsupport::design::MenuButton &button : testsupport::design::menuButtons()) {
        if (button.name == menuButton)
            return button.opens;
    }
    return {};
}

QAbstractButton *buttonNamed(QWidget *window, const QString &name)
{
    return window->findChild<QAbstractButton *>(name, Qt::FindDirectChildrenOnly);
}

// Writes down, in order, when the menu is shown and when the page goes
// (hidden or destroyed, whichever comes first).
class BackRecorder : public QObject
{
public:
    BackRecorder(QWidget *menu, QWidget *page)
        : menu_(menu)
        , page_(page)
    {
        menu->installEventFilter(this);
        page->installEventFilter(this);
        connect(page, &QObject::destroyed, this, &BackRecorder::pageGone);
    }

    QStringList moves() const { return moves_; }
    bool pageVisibleWhenMenuShown() const { return pageVisibleWhenMenuShown_; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == menu_ && event->type() == QEvent::Show) {
            pageVisibleWhenMenuShown_ = page_ && page_->isVisible();
            note(QStringLiteral("menu shown"));
        } else if (watched == page_ && event->type() == QEvent::Hide) {
            pageGone();
        }
        return false;
    }

private:
    void pageGone() { note(QStringLiteral("page gone")); }
    void note(const QString &move)
    {
        if (!moves_.contains(move))
            moves_ << move;
    }

    QWidget *menu_;
    QPointer<QWidget> page_;
    QStringList moves_;
    bool pageVisibleWhenMenuShown_ = false;
};

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
    void backOrder_data() { testsupport::design::addPageRows(); }
    void backOrder();
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
        QTest::mouseClick(buttonNamed(runtime.existing(kMenu), button), Qt::LeftButton);
        page_ = pageOpenedBy(button);
        return;
    }
    QWidget *page = runtime.existing(page_);
    QVERIFY2(page, qPrintable(action));
    const QString button = action == QLatin1String("back")     ? QStringLiteral("Command116")
                           : action == QLatin1String("shrink") ? QStringLiteral("Command118")
                                                               : QStringLiteral("Command117");
    QTest::mouseClick(buttonNamed(page, button), Qt::LeftButton);
    if (action == QLatin1String("back"))
        page_.clear();
}

void MovesTest::scenarios_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::newRow("start") << QStringList{};
    for (const testsupport::design::MenuButton &button : testsupport::design::menuButtons()) {
        if (button.opens.isEmpty())
            continue;
        QTest::addRow("%s open, back", qPrintable(button.opens))
            << QStringList{QStringLiteral("open:") + button.name, QStringLiteral("back")};
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
    QCOMPARE(page->geometry(), pixels(testsupport::design::page(form).client));
    QVERIFY(buttonNamed(page, QStringLiteral("Command117"))->isHidden());
    QVERIFY(!buttonNamed(page, QStringLiteral("Command1"))->isHidden() && !page->browserPane()->isHidden());
    QVERIFY(page->browserPane()->url().isEmpty());
}

// Form4's Back shows the menu while the page still stands and unloads the
// page after; every other page goes first and then the menu shows. Either
// way the menu is left shown and no page exists.
void MovesTest::backOrder()
{
    QFETCH(QString, form);
    const bool menuFirst = testsupport::design::page(form).backShowsMenuFirst;
    QString opener;
    for (const testsupport::design::MenuButton &button : testsupport::design::menuButtons()) {
        if (button.opens == form)
            opener = button.name;
    }
    step(QStringLiteral("open:") + opener);
    QWidget *page = fixture_->runtime().existing(form);
    QVERIFY(page && page->isVisible());
    QVERIFY(fixture_->runtime().existing(kMenu)->isHidden());

    BackRecorder recorder(fixture_->runtime().existing(kMenu), page);
    step(QStringLiteral("back"));
    testsupport::flushDeferredDeletes();
    const QStringList expected = menuFirst
                                     ? QStringList{QStringLiteral("menu shown"), QStringLiteral("page gone")}
                                     : QStringList{QStringLiteral("page gone"), QStringLiteral("menu shown")};
    QCOMPARE(recorder.moves(), expected);
    QCOMPARE(recorder.pageVisibleWhenMenuShown(), menuFirst);
    QCOMPARE(visibleWindows(), QStringList{kMenu});
    QCOMPARE(existingPages(), QStringList{});
}

void MovesTest::menuKeepsItsPlace()
{
    QWidget *menu = fixture_->runtime().existing(kMenu);
    QCOMPARE(menu->geometry(), pixels(testsupport::design::Twips{1932, 2076, 8532, 4800}));
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
        QTest::mouseClick(buttonNamed(window, how), Qt::LeftButton);

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
