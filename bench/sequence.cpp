#include "sequence.h"

#include "proc_tree.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPointer>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <algorithm>
#include <array>
#include <memory>
#include <unistd.h>

namespace bench {

namespace {

constexpr std::array<int, kPageCount> kMenuButtons = {1, 2, 4, 5, 7, 8, 9, 10, 11};
constexpr std::array<const char *, kPageCount> kPages = {
    "Form1", "Form3", "Form4", "Form5", "Form6", "Form8", "Form9", "Form10", "Form7"};

constexpr int kPlayingPollMs = 50;

using Done = Script::Done;

// `control`, or nullptr once the script has failed for the want of it.
template <typename T>
T *need(Script &script, T *control, const QString &what)
{
    if (!control)
        script.fail(QStringLiteral("no %1").arg(what));
    return control;
}

// Whether every web view in `window` has the widget it shows its pages
// through. A view whose page has not started by the time it is shown makes
// that widget a moment later, and the window then goes over to GL
// composition and is made anew: whatever was painted before that is replaced
// at once, so the page counts as shown only from then on.
bool panesInPlace(QWidget *window)
{
    const QList<QWebEngineView *> views = window->findChildren<QWebEngineView *>();
    return std::all_of(views.cbegin(), views.cend(), [](QWebEngineView *view) {
        return view->findChild<QWidget *>(QString(), Qt::FindDirectChildrenOnly) != nullptr;
    });
}

// Clicks the menu button of `page` and waits until the page is painted.
void openPage(Script &script, Subject &subject, int page, const QString &label, const Done &done)
{
    QAbstractButton *button = need(script, subject.menuButton(page), QStringLiteral("menu button"));
    if (!button)
        return;
    const bool quiet = label.isEmpty();
    watchWindow(
        pageName(page),
        [label, quiet](qint64 ns) {
            if (!quiet)
                reportEvent(label + QStringLiteral("-exposed"), ns);
        },
        [label, quiet, done](qint64 ns) {
            if (!quiet)
                reportEvent(label + QStringLiteral("-painted"), ns);
            done();
        },
        panesInPlace);
    if (!quiet)
        reportEvent(QStringLiteral("click-") + label);
    click(button);
    if (!quiet)
        reportEvent(label + QStringLiteral("-built")); // the click's handler has returned
}

// Clicks surah `surah` of `page` and waits until the pane has loaded what it
// asked for.
void listen(Script &script, Subject &subject, int page, int surah, const QString &label,
            const Done &done)
{
    QWebEngineView *pane = need(script, subject.pane(page), QStringLiteral("browser pane"));
    QAbstractButton *button = need(script, subject.surahButton(page, surah), QStringLiteral("surah button"));
    if (!pane || !button)
        return;
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection = QObject::connect(pane, &QWebEngineView::loadFinished, &script,
                                   [&script, label, done, connection](bool ok) {
                                       QObject::disconnect(*connection);
                                       if (!ok)
                                           return script.fail(QStringLiteral("the listen page did not load"));
                                       if (!label.isEmpty())
                                           reportEvent(QStringLiteral("loaded-") + label);
                                       done();
                                   });
    if (!label.isEmpty())
        reportEvent(QStringLiteral("click-") + label);
    click(button);
}

// Polls the listen page's player until its time moves on.
class PlayWatch : public QObject
{
public:
    PlayWatch(Script &script, QWebEngineView *pane, Done done)
        : QObject(&script)
        , script_(script)
        , pane_(pane)
        , done_(std::move(done))
    {
        timer_.setInterval(kPlayingPollMs);
        connect(&timer_, &QTimer::timeout, this, &PlayWatch::look);
        timer_.start();
        look();
    }

private:
    void look()
    {
        if (!pane_)
            return script_.fail(QStringLiteral("the pane went away"));
        if (asking_)
            return;
        asking_ = true;
        const QPointer<PlayWatch> self(this);
        pane_->page()->runJavaScript(
            QStringLiteral("(function () { var p = document.getElementById('player');"
                           " return p ? p.currentTime : -1; })()"),
            [self](const QVariant &result) {
                if (self)
                    self->answer(result.toDouble());
            });
    }

    void answer(double time)
    {
        asking_ = false;
        if (!timer_.isActive())
            return;
        if (first_ >= 0 && time > first_) {
            timer_.stop();
            deleteLater();
            return done_();
        }
        if (time >= 0 && (first_ < 0 || time < first_))
            first_ = time; // the first look, or the tone went round
    }

    Script &script_;
    QPointer<QWebEngineView> pane_;
    Done done_;
    QTimer timer_;
    double first_ = -1;
    bool asking_ = false;
};

void waitPlaying(Script &script, Subject &subject, int page, const Done &done)
{
    if (QWebEngineView *pane = need(script, subject.pane(page), QStringLiteral("browser pane")))
        new PlayWatch(script, pane, done);
}

// Clicks Back and waits until the menu is on screen again and the page gone.
void back(Script &script, Subject &subject, int page, bool reportIt, const Done &done)
{
    QAbstractButton *button = need(script, subject.backButton(page), QStringLiteral("Back"));
    if (!button)
        return;
    struct State {
        bool menuShown = false;
        bool pageGone = false;
        Done done;
        void maybeDone()
        {
            if (menuShown && pageGone && done)
                std::exchange(done, nullptr)();
        }
    };
    auto state = std::make_shared<State>(State{false, false, done});
    QObject::connect(button->window(), &QObject::destroyed, &script, [state] {
        state->pageGone = true;
        state->maybeDone();
    });
    watchWindow(
        QLatin1String(kMenuName),
        [reportIt, state](qint64 ns) {
            if (reportIt)
                reportEvent(QStringLiteral("menu-back-exposed"), ns);
            state->menuShown = true;
            state->maybeDone();
        },
        [](qint64) {});
    if (reportIt)
        reportEvent(QStringLiteral("click-back"));
    click(button);
}

// The first surah of `page` from `from` on that its button plays.
int playableSurah(Subject &subject, int page, int from)
{
    for (int step = 0; step < 114; ++step) {
        const int surah = (from - 1 + step) % 114 + 1;
        QAbstractButton *button = subject.surahButton(page, surah);
        if (button && button->isEnabled())
            return surah;
    }
    return from;
}

void reportMemory(int cycle)
{
    const TreeMemory tree = treeMemory(::getpid());
    report(QStringLiteral("mem %1 %2 %3 %4 %5 %6")
               .arg(cycle)
               .arg(residentKib(::getpid()))
               .arg(tree.rssKib)
               .arg(tree.pssKib)
               .arg(tree.engineProcesses)
               .arg(tree.distinctKib));
}

// Waits until the number of engine processes has held still for a second (a
// renderer takes a moment to go after its page), at most `limitMs`.
class Settle : public QObject
{
public:
    Settle(Script &script, int limitMs, Done done)
        : QObject(&script)
        , left_(limitMs / kLookMs)
        , done_(std::move(done))
    {
        connect(&timer_, &QTimer::timeout, this, &Settle::look);
        timer_.start(kLookMs);
    }

private:
    static constexpr int kLookMs = 100;

    void look()
    {
        const int now = treeMemory(::getpid()).engineProcesses;
        still_ = now == last_ ? still_ + 1 : 0;
        last_ = now;
        if (still_ >= 10 || --left_ <= 0) {
            timer_.stop();
            deleteLater();
            done_();
        }
    }

    int last_ = -1;
    int still_ = 0;
    int left_;
    Done done_;
    QTimer timer_;
};

void settle(Script &script, int limitMs, const Done &done)
{
    new Settle(script, limitMs, done);
}

} // namespace

int menuButtonOfPage(int page)
{
    return kMenuButtons[std::size_t(page)];
}

QString pageName(int page)
{
    return QLatin1String(kPages[std::size_t(page)]);
}

void buildListeningScript(Script &script, Subject &subject)
{
    // Armed before the event loop runs, so the first expose is seen.
    auto menuPainted = std::make_shared<bool>(false);
    auto menuDone = std::make_shared<Done>();
    watchWindow(
        QLatin1String(kMenuName), [](qint64 ns) { reportEvent(QStringLiteral("menu-exposed"), ns); },
        [menuPainted, menuDone](qint64 ns) {
            reportEvent(QStringLiteral("menu-painted"), ns);
            *menuPainted = true;
            if (*menuDone)
                (*menuDone)();
        });
    script.add(QStringLiteral("menu shown"), [menuPainted, menuDone](const Done &done) {
        if (*menuPainted)
            return done();
        *menuDone = done;
    });
    // Whatever the program starts once its menu is up has time to finish.
    script.addIdle(1500);

    Script *s = &script;
    Subject *target = &subject;
    for (int round = 0; round < 2; ++round) {
        const int page = round; // Form1, then Form3
        const QString n = QString::number(round + 1);
        script.add(QStringLiteral("open page %1").arg(n), [s, target, page, n](const Done &done) {
            openPage(*s, *target, page, QStringLiteral("page") + n, done);
        });
        script.addIdle(500);
        script.add(QStringLiteral("first surah click"), [s, target, page, n](const Done &done) {
            listen(*s, *target, page, 1, QStringLiteral("fresh") + n, done);
        });
        if (round == 0) {
            script.add(QStringLiteral("playing"), [s, target, page](const Done &done) {
                waitPlaying(*s, *target, page, [done] {
                    reportEvent(QStringLiteral("playing"));
                    done();
                });
            });
            script.addIdle(2000);
            script.addMemoryPoint();
        }
        for (int surah = 2; surah <= 4; ++surah) {
            script.addIdle(300);
            script.add(QStringLiteral("later surah click"), [s, target, page, surah](const Done &done) {
                listen(*s, *target, page, surah, QStringLiteral("later"), done);
            });
        }
        script.addIdle(300);
        if (round == 0) {
            script.add(QStringLiteral("back"), [s, target, page](const Done &done) {
                back(*s, *target, page, true, done);
            });
            script.addIdle(500);
        }
    }
    script.add(QStringLiteral("exit"), [s, target](const Done &) {
        QAbstractButton *exit = need(*s, target->exitButton(1), QStringLiteral("Exit"));
        if (!exit)
            return;
        reportEvent(QStringLiteral("click-exit"));
        click(exit);
    });
}

void buildCycleScript(Script &script, Subject &subject, int cycles)
{
    Script *s = &script;
    Subject *target = &subject;
    auto menuPainted = std::make_shared<bool>(false);
    auto menuDone = std::make_shared<Done>();
    watchWindow(QLatin1String(kMenuName), [](qint64) {}, [menuPainted, menuDone](qint64) {
        *menuPainted = true;
        if (*menuDone)
            (*menuDone)();
    });
    script.add(QStringLiteral("menu shown"), [menuPainted, menuDone](const Done &done) {
        if (*menuPainted)
            return done();
        *menuDone = done;
    });
    script.addIdle(1500);

    auto started = std::make_shared<qint64>(0);
    for (int cycle = 1; cycle <= cycles; ++cycle) {
        const int page = (cycle - 1) % kPageCount;
        const int from = (cycle - 1) * 7 % 114 + 1;
        script.add(QStringLiteral("cycle %1: open").arg(cycle), [s, target, page, started](const Done &done) {
            *started = monotonicNs();
            openPage(*s, *target, page, {}, done);
        });
        script.add(QStringLiteral("cycle %1: listen").arg(cycle), [s, target, page, from, cycle](const Done &done) {
            listen(*s, *target, page, playableSurah(*target, page, from), {}, [s, target, page, cycle, done] {
                if (cycle != 1)
                    return done();
                // One page open and playing: the engine processes it takes.
                waitPlaying(*s, *target, page, [s, done] {
                    settle(*s, 3000, [done] {
                        report(QStringLiteral("procs-open %1").arg(treeMemory(::getpid()).engineProcesses));
                        done();
                    });
                });
            });
        });
        script.add(QStringLiteral("cycle %1: back").arg(cycle), [s, target, page, started, cycle](const Done &done) {
            back(*s, *target, page, false, [started, cycle, done] {
                report(QStringLiteral("cycle %1 %2").arg(cycle).arg(monotonicNs() - *started));
                done();
            });
        });
        if (cycle == 1 || cycle == 20 || cycle == cycles) {
            script.add(QStringLiteral("cycle %1: memory").arg(cycle), [s, cycle](const Done &done) {
                settle(*s, 5000, [cycle, done] {
                    reportMemory(cycle);
                    done();
                });
            });
        }
    }
    script.add(QStringLiteral("end"), [](const Done &) { QCoreApplication::exit(0); });
}

} // namespace bench
