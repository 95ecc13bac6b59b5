#pragma once

#include <QObject>

class QSocketNotifier;

namespace shell {

// The ways a desktop session, a terminal or a service manager asks the
// program to stop: SIGTERM (kill, a logout), SIGINT (Ctrl+C in its terminal)
// and SIGHUP (its terminal closed). Left to their default, each kills the
// program at once, before the browser's scratch folder is removed. Caught
// here, each emits received() from the event loop, where the program ends as
// Exit ends it. Only POSIX systems have these signals; elsewhere nothing is
// caught.
//
// The signals stay caught while the object lives: one that comes while the
// program is already ending changes nothing.
class TerminationSignals : public QObject
{
    Q_OBJECT
public:
    explicit TerminationSignals(QObject *parent = nullptr);
    ~TerminationSignals() override;

signals:
    void received();

private:
    void readSignalled();

    QSocketNotifier *notifier_ = nullptr;
};

} // namespace shell
