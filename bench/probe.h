#pragma once

// What the programs under measurement share: one clock, one way of reporting
// on standard output, a watch on a window's first expose and paint, a click
// as the listener makes it, and a script of steps played from the event loop.
//
// Report lines, one a line on stdout:
//   ev <name> <monotonic ns>     something happened at that moment
//   mem-ready                    the state to measure is reached; the harness
//                                answers "go" on stdin once it has measured
//   error <text>                 the script cannot go on (exit status 3)
// and whatever else a script prints, which the harness reads by its first word.

#include "clock.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

class QAbstractButton;
class QWidget;

namespace bench {

void report(const QString &line);
void reportEvent(const QString &name, qint64 ns = monotonicNs());

// Watches the top-level widget named `name`, which may not exist yet: calls
// `exposed` on the first expose of its window and `painted` once its first
// paint has reached the window (after the paint events of that pass). Each
// is called once, with the moment it happened; the watch then goes. With
// `ready`, only an expose or paint at which ready(window) holds counts.
void watchWindow(const QString &name, std::function<void(qint64)> exposed,
                 std::function<void(qint64)> painted,
                 std::function<bool(QWidget *)> ready = {});

// The top-level widget named `name`, or nullptr.
QWidget *topLevel(const QString &name);

// A left click in the middle of `button`, pressed and released as the mouse
// does it; the handler runs inside the call.
void click(QAbstractButton *button);

// Steps played one after the other from the event loop. A step gets a
// `done` to call when it has finished; a step that takes longer than the
// limit ends the program with an error.
class Script : public QObject
{
public:
    using Done = std::function<void()>;
    using Step = std::function<void(const Done &done)>;

    explicit Script(QObject *parent = nullptr, int stepLimitMs = 30000);

    void add(const QString &label, Step step);
    void addIdle(int ms);
    // Prints "mem-ready" and waits for a line on stdin.
    void addMemoryPoint();

    void start();
    void fail(const QString &why);

private:
    void runNext();

    QList<std::pair<QString, Step>> steps_;
    qsizetype next_ = 0;
    quint64 generation_ = 0;
    QTimer watchdog_;
    bool failed_ = false;
};

} // namespace bench
