#include "termination_signals.h"

#include <QSocketNotifier>
#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace shell {

#ifdef Q_OS_UNIX

namespace {

constexpr std::array kCaught{SIGTERM, SIGINT, SIGHUP};

// A signal handler may do next to nothing: it writes one byte to this socket,
// and the event loop, which watches the other end, does the rest.
int g_signalledWrite = -1;
int g_signalledRead = -1;
std::array<struct sigaction, kCaught.size()> g_previous{};

extern "C" void writeSignalled(int)
{
    const int savedErrno = errno;
    const char byte = 1;
    // Non-blocking: with the socket full, the event loop has bytes enough
    // to read already.
    [[maybe_unused]] const ssize_t written = ::write(g_signalledWrite, &byte, 1);
    errno = savedErrno;
}

// Both ends close on exec, since the engine's processes are no business of
// theirs, and neither blocks.
bool makeSocketPair(int ends[2])
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, ends) != 0)
        return false;
    for (int i = 0; i < 2; ++i) {
        if (::fcntl(ends[i], F_SETFD, FD_CLOEXEC) != 0
            || ::fcntl(ends[i], F_SETFL, ::fcntl(ends[i], F_GETFL) | O_NONBLOCK) != 0) {
            ::close(ends[0]);
            ::close(ends[1]);
            return false;
        }
    }
    return true;
}

} // namespace

TerminationSignals::TerminationSignals(QObject *parent)
    : QObject(parent)
{
    Q_ASSERT(g_signalledWrite < 0); // one handler, so one watcher
    int ends[2];
    if (!makeSocketPair(ends)) {
        qWarning("sorvantel: cannot watch for the signals that end the program: %s", strerror(errno));
        return;
    }
    g_signalledWrite = ends[0];
    g_signalledRead = ends[1];
    notifier_ = new QSocketNotifier(g_signalledRead, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &TerminationSignals::readSignalled);

    struct sigaction action = {};
    action.sa_handler = writeSignalled;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART; // a system call the signal breaks into goes on
    for (std::size_t i = 0; i < kCaught.size(); ++i)
        ::sigaction(kCaught[i], &action, &g_previous[i]);
}

TerminationSignals::~TerminationSignals()
{
    if (!notifier_)
        return;
    for (std::size_t i = 0; i < kCaught.size(); ++i)
        ::sigaction(kCaught[i], &g_previous[i], nullptr);
    delete notifier_;
    ::close(g_signalledWrite);
    ::close(g_signalledRead);
    g_signalledWrite = g_signalledRead = -1;
}

void TerminationSignals::readSignalled()
{
    char bytes[16];
    while (::read(g_signalledRead, bytes, sizeof bytes) > 0) {
    }
    emit received();
}

#else

TerminationSignals::TerminationSignals(QObject *parent)
    : QObject(parent)
{
}

TerminationSignals::~TerminationSignals() = default;

void TerminationSignals::readSignalled() {}

#endif

} // namespace shell
