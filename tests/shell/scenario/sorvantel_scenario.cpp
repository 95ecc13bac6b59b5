// sorvantel-scenario --hosts <direct-listen host> <listen-box host> <step>...
//
// Runs the program as its own main does, on the given hosts, and plays a
// script of steps from the event loop, one after another:
//
//   click:<form>/<control>   a left click in the middle of a visible, enabled button
//   close:<form>             closes the window as its frame's close button does
//   wait-playing:<form>      waits until the page's <audio id="player"> plays on
//   navigate:<form>:<address>
//                            hands the address, as it stands, to the page's
//                            browser pane, as a surah click hands over its own
//   sleep:<ms>               lets the program run on for a while
//
// "step N done" goes to stdout after each step. The program ends the way the
// script makes it end; the exit status is then the program's own.
//
// Exit status: the program's, or 2 for a script that cannot be run (a bad step,
// a window or control that is not there), 3 when a page never plays,
// 4 when the program is still running after the last step, or has ended
// before the script did.

#include <shell/browser_pane.h>
#include <shell/forms_runtime.h>
#include <shell/program.h>
#include <shell/recitation_page.h>

#include <listener_click.h>

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QWebEnginePage>

#include <cstdio>
#include <optional>
#include <vector>

namespace {

constexpr int kScriptError = 2;
constexpr int kNotPlaying = 3;
constexpr int kEndMismatch = 4;

constexpr int kPlayingPollMs = 100;
constexpr qint64 kPlayingTimeoutMs = 20000;

struct Step {
    enum class Kind { Click, Close, WaitPlaying, Navigate, Sleep };
    Kind kind;
    QString form;
    QString control;
    QString address;
    int ms = 0;
    QString text;
};

std::optional<Step> parseStep(const QString &text)
{
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    if (colon <= 0)
        return std::nullopt;
    const QString verb = text.left(colon);
    const QString operand = text.mid(colon + 1);
    if (operand.isEmpty())
        return std::nullopt;
    Step step{Step::Kind::Sleep, {}, {}, {}, 0, text};
    if (verb == QLatin1String("click")) {
        const QStringList parts = operand.split(QLatin1Char('/'));
        if (parts.size() != 2 || parts[0].isEmpty() || parts[1].isEmpty())
            return std::nullopt;
        step.kind = Step::Kind::Click;
        step.form = parts[0];
        step.control = parts[1];
    } else if (verb == QLatin1String("close")) {
        step.kind = Step::Kind::Close;
        step.form = operand;
    } else if (verb == QLatin1String("wait-playing")) {
        step.kind = Step::Kind::WaitPlaying;
        step.form = operand;
    } else if (verb == QLatin1String("navigate")) {
        // The address may hold colons of its own: the form ends at the first.
        const qsizetype split = operand.indexOf(QLatin1Char(':'));
        if (split <= 0 || split == operand.size() - 1)
            return std::nullopt;
        step.kind = Step::Kind::Navigate;
        step.form = operand.left(split);
        step.address = operand.mid(split + 1);
    } else if (verb == QLatin1String("sleep")) {
        bool ok = false;
        step.ms = operand.toInt(&ok);
        if (!ok || step.ms < 0)
            return std::nullopt;
    } else {
        return std::nullopt;
    }
    return step;
}

void say(const char *format, const QString &text)
{
    std::fprintf(stderr, format, qPrintable(text));
    std::fflush(stderr);
}

// Plays the script; lives as a child of the runtime, so it goes with it.
class ScenarioRunner : public QObject
{
public:
    ScenarioRunner(std::vector<Step> steps, shell::FormsRuntime &runtime, bool &scriptFinished)
        : QObject(&runtime)
        , steps_(std::move(steps))
        , runtime_(runtime)
        , scriptFinished_(scriptFinished)
    {
        pollTimer_.setInterval(kPlayingPollMs);
        connect(&pollTimer_, &QTimer::timeout, this, &ScenarioRunner::pollPlaying);
    }

    void start() { QTimer::singleShot(0, this, &ScenarioRunner::runNext); }

private:
    void runNext()
    {
        if (runtime_.hasEnded()) {
            say("sorvantel-scenario: the program ended before step \"%s\"\n", steps_[next_].text);
            return; // the program's own quit is on its way
        }
        const Step &step = steps_[next_];
        switch (step.kind) {
        case Step::Kind::Click:
            click(step);
            break;
        case Step::Kind::Close:
            if (QWidget *window = existingWindow(step))
                window->close();
            break;
        case Step::Kind::Navigate:
            navigate(step);
            break;
        case Step::Kind::Sleep:
            QTimer::singleShot(step.ms, this, &ScenarioRunner::stepDone);
            return;
        case Step::Kind::WaitPlaying:
            startWaitingForPlay(step);
            return;
        }
        if (!failed_)
            stepDone();
    }

    void stepDone()
    {
        ++next_;
        std::printf("step %zu done\n", next_);
        std::fflush(stdout);
        if (next_ < steps_.size()) {
            QTimer::singleShot(0, this, &ScenarioRunner::runNext);
            return;
        }
        scriptFinished_ = true;
        if (!runtime_.hasEnded()) {
            say("sorvantel-scenario: %s\n", QStringLiteral("the script is done but the program still runs"));
            QCoreApplication::exit(kEndMismatch);
        }
    }

    void fail(int status, const QString &why)
    {
        failed_ = true;
        pollTimer_.stop();
        say("sorvantel-scenario: %s\n", QStringLiteral("step \"%1\": %2").arg(steps_[next_].text, why));
        QCoreApplication::exit(status);
    }

    QWidget *existingWindow(const Step &step)
    {
        QWidget *window = runtime_.existing(step.form);
        if (!window)
            fail(kScriptError, QStringLiteral("no window %1").arg(step.form));
        return window;
    }

    void click(const Step &step)
    {
        QWidget *window = existingWindow(step);
        if (!window)
            return;
        auto *button = window->findChild<QAbstractButton *>(step.control);
        if (!button)
            return fail(kScriptError, QStringLiteral("no button %1").arg(step.control));
        // A listener can only click what is on the screen.
        if (!button->isVisible() || !button->isEnabled())
            return fail(kScriptError, QStringLiteral("%1 is hidden or disabled").arg(step.control));
        testsupport::clickLikeAListener(button);
    }

    shell::RecitationPage *pageFor(const Step &step)
    {
        QWidget *window = existingWindow(step);
        if (!window)
            return nullptr;
        auto *page = qobject_cast<shell::RecitationPage *>(window);
        if (!page)
            fail(kScriptError, QStringLiteral("%1 has no browser pane").arg(step.form));
        return page;
    }

    void navigate(const Step &step)
    {
        if (shell::RecitationPage *page = pageFor(step))
            page->browserPane()->navigate(step.address);
    }

    void startWaitingForPlay(const Step &step)
    {
        shell::RecitationPage *page = pageFor(step);
        if (!page)
            return;
        pane_ = page->browserPane();
        firstTime_.reset();
        queryOutstanding_ = false;
        waited_.start();
        pollTimer_.start();
        pollPlaying();
    }

    void pollPlaying()
    {
        if (waited_.elapsed() > kPlayingTimeoutMs) {
            return fail(kNotPlaying, QStringLiteral("the player's time did not advance within %1 ms")
                                         .arg(kPlayingTimeoutMs));
        }
        if (!pane_)
            return fail(kScriptError, QStringLiteral("the browser pane went away"));
        if (queryOutstanding_)
            return;
        queryOutstanding_ = true;
        const QPointer<ScenarioRunner> self(this);
        pane_->page()->runJavaScript(
            QStringLiteral("(function () { var p = document.getElementById('player');"
                           " return p ? p.currentTime : -1; })()"),
            [self](const QVariant &result) {
                if (self)
                    self->playerTime(result);
            });
    }

    void playerTime(const QVariant &result)
    {
        queryOutstanding_ = false;
        if (!pollTimer_.isActive())
            return;
        bool ok = false;
        const double time = result.toDouble(&ok);
        if (!ok || time < 0)
            return; // no listen page (or no player) yet
        if (!firstTime_) {
            firstTime_ = time;
            return;
        }
        if (time == *firstTime_)
            return;
        if (time < *firstTime_) { // the tone looped round between two looks
            firstTime_ = time;
            return;
        }
        pollTimer_.stop();
        stepDone();
    }

    std::vector<Step> steps_;
    shell::FormsRuntime &runtime_;
    bool &scriptFinished_;
    std::size_t next_ = 0;
    bool failed_ = false;

    QTimer pollTimer_;
    QPointer<shell::BrowserPane> pane_;
    std::optional<double> firstTime_;
    bool queryOutstanding_ = false;
    QElapsedTimer waited_;
};

void usage()
{
    std::fputs("usage: sorvantel-scenario --hosts <direct-listen host> <listen-box host> <step>...\n"
               "steps: click:<form>/<control> close:<form> wait-playing:<form>\n"
               "       navigate:<form>:<address> sleep:<ms>\n",
               stderr);
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc < 5 || QLatin1String(argv[1]) != QLatin1String("--hosts")) {
        usage();
        return kScriptError;
    }
    const catalogue::SiteHosts hosts{argv[2], argv[3]};
    std::vector<Step> steps;
    for (int i = 4; i < argc; ++i) {
        const QString text = QString::fromLocal8Bit(argv[i]);
        const std::optional<Step> step = parseStep(text);
        if (!step) {
            say("sorvantel-scenario: cannot read the step \"%s\"\n", text);
            usage();
            return kScriptError;
        }
        steps.push_back(*step);
    }

    // The application sees the program's name only, as the program's own does.
    int programArgc = 1;
    bool scriptFinished = false;
    const int status = shell::runProgram(
        programArgc, argv, hosts, [&steps, &scriptFinished](shell::FormsRuntime &runtime) {
            (new ScenarioRunner(std::move(steps), runtime, scriptFinished))->start();
        });
    if (status == 0 && !scriptFinished)
        return kEndMismatch;
    return status;
}
