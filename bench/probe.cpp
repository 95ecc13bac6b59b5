#include "probe.h"

#include <listener_click.h>

#include <QAbstractButton>
#include <QApplication>
#include <QSocketNotifier>
#include <QWidget>
#include <QWindow>

#include <cstdio>
#include <unistd.h>

namespace bench {

void report(const QString &line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

void reportEvent(const QString &name, qint64 ns)
{
    report(QStringLiteral("ev %1 %2").arg(name).arg(ns));
}

QWidget *topLevel(const QString &name)
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == name)
            return widget;
    }
    return nullptr;
}

namespace {

// An application-wide filter while it lives: it sees the window's events
// whichever object creates the window and whenever.
class WindowWatch : public QObject
{
public:
    WindowWatch(const QString &name, std::function<void(qint64)> exposed,
                std::function<void(qint64)> painted, std::function<bool(QWidget *)> ready)
        : QObject(qApp)
        , name_(name)
        , exposed_(std::move(exposed))
        , painted_(std::move(painted))
        , ready_(std::move(ready))
    {
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Expose && exposed_) {
            auto *window = qobject_cast<QWindow *>(watched);
            QWidget *widget = topLevel(name_);
            if (window && widget && widget->windowHandle() == window && window->isExposed()
                && isReady(widget)) {
                const auto exposed = std::exchange(exposed_, nullptr);
                exposed(monotonicNs());
            }
        } else if (event->type() == QEvent::Paint && !paintSeen_ && watched->isWidgetType()) {
            auto *widget = static_cast<QWidget *>(watched);
            if (widget->window()->objectName() == name_ && isReady(widget->window())) {
                // The rest of the pass, the window's children and the flush
                // to the screen, runs before the event loop gets back here.
                paintSeen_ = true;
                QTimer::singleShot(0, this, [this] {
                    const auto painted = std::exchange(painted_, nullptr);
                    painted(monotonicNs());
                    finishIfDone();
                });
            }
        }
        if (!exposed_ && !painted_)
            finishIfDone();
        return false;
    }

private:
    bool isReady(QWidget *window) const { return !ready_ || ready_(window); }

    void finishIfDone()
    {
        if (exposed_ || painted_ || finished_)
            return;
        finished_ = true;
        qApp->removeEventFilter(this);
        deleteLater();
    }

    const QString name_;
    std::function<void(qint64)> exposed_;
    std::function<void(qint64)> painted_;
    const std::function<bool(QWidget *)> ready_;
    bool paintSeen_ = false;
    bool finished_ = false;
};

} // namespace

void watchWindow(const QString &name, std::function<void(qint64)> exposed,
                 std::function<void(qint64)> painted, std::function<bool(QWidget *)> ready)
{
    new WindowWatch(name, std::move(exposed), std::move(painted), std::move(ready));
}

void click(QAbstractButton *button)
{
    testsupport::clickLikeAListener(button);
}

Script::Script(QObject *parent, int stepLimitMs)
    : QObject(parent)
{
    watchdog_.setSingleShot(true);
    watchdog_.setInterval(stepLimitMs);
    connect(&watchdog_, &QTimer::timeout, this, [this] {
        fail(QStringLiteral("step \"%1\" did not finish in %2 ms")
                 .arg(steps_[next_].first)
                 .arg(watchdog_.interval()));
    });
}

void Script::add(const QString &label, Step step)
{
    steps_.append({label, std::move(step)});
}

void Script::addIdle(int ms)
{
    add(QStringLiteral("idle %1 ms").arg(ms),
        [this, ms](const Done &done) { QTimer::singleShot(ms, this, done); });
}

void Script::addMemoryPoint()
{
    add(QStringLiteral("memory point"), [this](const Done &done) {
        auto *notifier = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
        connect(notifier, &QSocketNotifier::activated, this, [notifier, done] {
            char buffer[64];
            [[maybe_unused]] const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
            notifier->setEnabled(false);
            notifier->deleteLater();
            done();
        });
        report(QStringLiteral("mem-ready"));
    });
}

void Script::start()
{
    QTimer::singleShot(0, this, &Script::runNext);
}

void Script::fail(const QString &why)
{
    if (failed_)
        return;
    failed_ = true;
    watchdog_.stop();
    report(QStringLiteral("error %1").arg(why));
    QCoreApplication::exit(3);
}

void Script::runNext()
{
    if (failed_ || next_ >= steps_.size())
        return;
    const quint64 generation = ++generation_;
    watchdog_.start();
    steps_[next_].second([this, generation] {
        if (generation != generation_ || failed_)
            return; // a step that reports twice
        ++generation_;
        watchdog_.stop();
        ++next_;
        QTimer::singleShot(0, this, &Script::runNext);
    });
}

} // namespace bench
