#pragma once

// For suites that run the whole program in a child process: telling its
// processes (and its engine's) apart from everyone else's, and reading what
// it printed.

#include <QDir>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcessEnvironment>
#include <QSocketNotifier>
#include <QStringList>
#include <QTest>
#include <QTimer>
#include <QUuid>

#include <algorithm>
#include <csignal>
#include <memory>
#include <vector>

#include <sys/syscall.h>
#include <sys/types.h>
#include <unistd.h>

namespace testsupport {

inline const QByteArray kMarkerName = "SORVANTEL_TEST_RUN";

// "SORVANTEL_TEST_RUN=<new uuid>": put into a child's environment, it marks
// the child and every process its engine starts, which inherit it.
inline QByteArray newMarkerEntry()
{
    return kMarkerName + '=' + QUuid::createUuid().toByteArray(QUuid::WithoutBraces);
}

inline void insertMarker(QProcessEnvironment &env, const QByteArray &entry)
{
    env.insert(QString::fromLatin1(kMarkerName), QString::fromLatin1(entry.mid(kMarkerName.size() + 1)));
}

// This process's environment for a child that runs the program: marked with
// `entry`, headless unless a platform is set, and with the engine's sandbox
// off, since the tests run as root.
inline QProcessEnvironment childEnvironment(const QByteArray &entry)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    insertMarker(env, entry);
    env.insert(QStringLiteral("QTWEBENGINE_DISABLE_SANDBOX"), QStringLiteral("1"));
    if (!env.contains(QStringLiteral("QT_QPA_PLATFORM")))
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return env;
}

// Whether process `pid` is there and its environment carries `entry`.
inline bool carries(qint64 pid, const QByteArray &entry)
{
    QFile environ(QStringLiteral("/proc/%1/environ").arg(pid));
    return environ.open(QIODevice::ReadOnly) && environ.readAll().split('\0').contains(entry);
}

// The processes whose environment carries `entry` ("NAME=value").
inline QList<qint64> processesCarrying(const QByteArray &entry)
{
    QList<qint64> found;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &name : entries) {
        bool numeric = false;
        const qint64 pid = name.toLongLong(&numeric);
        if (numeric && pid != ::getpid() && carries(pid, entry))
            found << pid;
    }
    return found;
}

inline QString describe(const QList<qint64> &pids)
{
    QStringList lines;
    for (qint64 pid : pids) {
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
        const QByteArray command = cmdline.open(QIODevice::ReadOnly) ? cmdline.readAll().replace('\0', ' ') : QByteArray();
        lines << QStringLiteral("%1 %2").arg(pid).arg(QString::fromLocal8Bit(command.left(200)));
    }
    return lines.join(QLatin1String("; "));
}

// Waits until every process in `pids` has gone: each is watched through a
// process file descriptor, which becomes readable when it ends. False if
// some are still there when `deadline` comes.
inline bool waitUntilGone(const QList<qint64> &pids, const QByteArray &entry, QDeadlineTimer deadline)
{
    QEventLoop loop;
    std::vector<std::unique_ptr<QSocketNotifier>> watching;
    int running = 0;
    for (qint64 pid : pids) {
        const int fd = int(::syscall(SYS_pidfd_open, pid_t(pid), 0));
        if (fd < 0)
            continue; // gone already
        // The number may have been given to another process meanwhile.
        if (!carries(pid, entry)) {
            ::close(fd);
            continue;
        }
        auto notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
        QSocketNotifier *gone = notifier.get();
        // It stays readable once the process has ended: counted once.
        QObject::connect(gone, &QSocketNotifier::activated, &loop, [gone, &running, &loop] {
            gone->setEnabled(false);
            if (--running == 0)
                loop.quit();
        });
        watching.push_back(std::move(notifier));
        ++running;
    }
    if (running > 0) {
        QTimer::singleShot(std::max<qint64>(deadline.remainingTime(), 0), &loop, &QEventLoop::quit);
        loop.exec();
    }
    for (const auto &notifier : watching)
        ::close(int(notifier->socket()));
    return running == 0;
}

// Waits until no process carries `entry` any more, looking again after each
// wait since one may have started another meanwhile. The engine's processes
// follow the program out in their own time; `hangMs` only stops a wait for
// processes that never go. Those still there then are described, ended and
// returned, so that they do not outlive the test.
inline QList<qint64> leftBehind(const QByteArray &entry, int hangMs, QString *description)
{
    const QDeadlineTimer deadline(hangMs);
    QList<qint64> left = processesCarrying(entry);
    while (!left.isEmpty() && !deadline.hasExpired()) {
        const bool allGone = waitUntilGone(left, entry, deadline);
        left = processesCarrying(entry);
        if (!allGone)
            break;
    }
    *description = describe(left);
    for (qint64 pid : std::as_const(left))
        ::kill(pid_t(pid), SIGKILL);
    return left;
}

// Text on stderr that means the program did not end cleanly: the engine's
// complaints about pages outliving their profile, and crash reports.
inline QString badOutputIn(const QByteArray &text)
{
    static const char *const kBadOutput[] = {
        "release of profile requested", "still not deleted", "expect troubles", // the engine
        "received signal", ":fatal:", "stack trace", "crash",                   // its crash reports
        "assert:", "terminate called", "free():", "corrupted",                  // Qt, C++ and the C library
        "sanitizer",                                                            // a sanitizer's report
    };
    const QByteArray lower = text.toLower();
    for (const char *bad : kBadOutput) {
        if (lower.contains(bad))
            return QString::fromLatin1(bad);
    }
    return {};
}

} // namespace testsupport
