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
//   wait-engine              waits until the web engine has started: its
//                            processes run under the program's
//   wait-input:<word>        waits until the line <word> comes in on standard
//                            input: the driving test's word that what it waits
//                            for (a request at its site, say) has happened
//   wait-end                 the last step: waits until the program is ended
//                            from outside (by a signal, say)
//
// "step N done" goes to stdout after each step. The program ends the way the
// script makes it end; the exit status is then the program's own.
//
// Every wait has a generous limit that only stops a script that hangs.
//
// Exit status: the program's, or 2 for a script that cannot be run (a bad step,
// a window or control that is not there, input that ends before its word),
// 3 when what a step waits for never happens, 4 when the program is still
// running after the last step, or has ended before the script did.

#include <shell/browser_pane.h>
#include <shell/forms_runtime.h>
#include <shell/program.h>
#include <shell/recitation_page.h>

#include <gl_drivers.h>
#include <listener_click.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QDeadlineTimer>
#include <QFile>
#include <QPointer>
#include <QSocketNotifier>
#include <QStringList>
#include <QTimer>
#include <QWebEnginePage>

#include <cstdio>
#include <optional>
#include <vector>

#include <unistd.h>

namespace {

constexpr int kScriptError = 2;
constexpr int kNeverHappened = 3;
constexpr int kEndMismatch = 4;

constexpr int kPollMs = 100;
// Only a hung script waits this long: the sanitizer builds under load
// take a few seconds for what takes a fraction of one otherwise.
constexpr int kWaitLimitMs = 60000;

struct Step {
    enum class Kind { Click, Close, WaitPlaying, Navigate, WaitEngine, WaitInput, WaitEnd };
    Kind kind;
    QString form;
    QString control;
    QString address;
    QString word;
    QString text;
};

std::optional<Step> parseStep(const QString &text)
{
    Step step{Step::Kind::WaitEngine, {}, {}, {}, {}, text};
    if (text == QLatin1String("wait-engine"))
        return step;
    if (text == QLatin1String("wait-end")) {
        step.kind = Step::Kind::WaitEnd;
        return step;
    }
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    if (colon <= 0)
        return std::nullopt;
    const QString verb = text.left(colon);
    const QString operand = text.mid(colon + 1);
    if (operand.isEmpty())
        return std::nullopt;
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
    } else if (verb == QLatin1String("wait-input")) {
        step.kind = Step::Kind::WaitInput;
        step.word = operand;
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

// Whether a web engine process runs as a child of this one. The engine
// starts its helpers (the zygotes) as it starts itself.
bool engineProcessRunning()
{
    const QByteArray self = QByteArray::number(::getpid());
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &name : entries) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(name));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // "pid (command) state ppid ...": the command may hold blanks and
        // parentheses of its own, so the fields are read after the last ')'.
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() < 2 || fields[1] != self)
            continue;
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(name));
        if (cmdline.open(QIODevice::ReadOnly) && cmdline.readAll().contains("QtWebEngineProcess"))
            return true;
    }
    return false;
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
        pollTimer_.setInterval(kPollMs);
        connect(&pollTimer_, &QTimer::timeout, this, &ScenarioRunner::poll);
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
        case Step::Kind::WaitPlaying:
            startWaitingForPlay(step);
            return;
        case Step::Kind::WaitEngine:
            startWaiting();
            return;
        case Step::Kind::WaitInput:
            startWaitingForInput();
            return;
        case Step::Kind::WaitEnd:
            // What ends the program now is the script's end.
            scriptFinished_ = true;
            startWaiting();
            return;
        }
        if (!failed_)
            stepDone();
    }

    void stepDone()
    {
        pollTimer_.stop();
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

    // Polls until the current step's condition holds; poll() tells them apart.
    void startWaiting()
    {
        waitLimit_.setRemainingTime(kWaitLimitMs);
        pollTimer_.start();
        poll();
    }

    void poll()
    {
        if (waitLimit_.hasExpired())
            return fail(kNeverHappened, QStringLiteral("it did not happen within %1 ms").arg(kWaitLimitMs));
        if (steps_[next_].kind == Step::Kind::WaitEnd)
            return; // the program's end stops the polls
        if (steps_[next_].kind == Step::Kind::WaitEngine) {
            if (engineProcessRunning())
                stepDone();
            return;
        }
        pollPlaying();
    }

    void startWaitingForPlay(const Step &step)
    {
        shell::RecitationPage *page = pageFor(step);
        if (!page)
            return;
        pane_ = page->browserPane();
        firstTime_.reset();
        queryOutstanding_ = false;
        startWaiting();
    }

    void pollPlaying()
    {
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
        stepDone();
    }

    void startWaitingForInput()
    {
        if (!input_) {
            input_ = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
            connect(input_, &QSocketNotifier::activated, this, &ScenarioRunner::readInput);
        }
        input_->setEnabled(true);
        takeWordIfIn();
    }

    void readInput()
    {
        char chunk[256];
        const ssize_t got = ::read(STDIN_FILENO, chunk, sizeof chunk);
        if (got <= 0) {
            input_->setEnabled(false);
            return fail(kScriptError, QStringLiteral("the input ended before the word came"));
        }
        inputBuffer_.append(chunk, got);
        takeWordIfIn();
    }

    // Takes the lines that have come in up to the current step's word, if it
    // is among them; a word may come before its step starts waiting.
    void takeWordIfIn()
    {
        const QByteArray word = steps_[next_].word.toLocal8Bit();
        qsizetype start = 0;
        for (qsizetype end; (end = inputBuffer_.indexOf('\n', start)) >= 0; start = end + 1) {
            if (inputBuffer_.mid(start, end - start) == word) {
                inputBuffer_.remove(0, end + 1);
                input_->setEnabled(false);
                stepDone();
                return;
            }
        }
    }

    std::vector<Step> steps_;
    shell::FormsRuntime &runtime_;
    bool &scriptFinished_;
    std::size_t next_ = 0;
    bool failed_ = false;

    QTimer pollTimer_;
    QDeadlineTimer waitLimit_;
    QPointer<shell::BrowserPane> pane_;
    std::optional<double> firstTime_;
    bool queryOutstanding_ = false;
    QSocketNotifier *input_ = nullptr;
    QByteArray inputBuffer_;
};

void usage()
{
    std::fputs("usage: sorvantel-scenario --hosts <direct-listen host> <listen-box host> <step>...\n"
               "steps: click:<form>/<control> close:<form> wait-playing:<form>\n"
               "       navigate:<form>:<address> wait-engine wait-input:<word> wait-end\n",
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
        if (!steps.empty() && steps.back().kind == Step::Kind::WaitEnd) {
            say("sorvantel-scenario: \"%s\" comes after wait-end, which is the last step\n", text);
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
            QObject::connect(&runtime, &shell::FormsRuntime::ended, &runtime,
                             &testsupport::keepGlDriversLoaded);
        });
    if (status == 0 && !scriptFinished)
        return kEndMismatch;
    return status;
}
