#pragma once

// For suites that run the whole program in a child process: telling its
// processes (and its engine's) apart from everyone else's, and reading what
// it printed.

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcessEnvironment>
#include <QStringList>
#include <QTest>
#include <QUuid>

#include <csignal>
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

// The processes whose environment carries `entry` ("NAME=value").
inline QList<qint64> processesCarrying(const QByteArray &entry)
{
    QList<qint64> found;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &name : entries) {
        bool numeric = false;
        const qint64 pid = name.toLongLong(&numeric);
        if (!numeric || pid == ::getpid())
            continue;
        QFile environ(QStringLiteral("/proc/%1/environ").arg(name));
        if (!environ.open(QIODevice::ReadOnly))
            continue; // gone meanwhile
        if (environ.readAll().split('\0').contains(entry))
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

// Gives the processes carrying `entry` up to `graceMs` to go; ends (and
// describes) any that stay, so that they do not outlive the test.
inline QList<qint64> leftBehind(const QByteArray &entry, int graceMs, QString *description)
{
    QElapsedTimer waited;
    waited.start();
    QList<qint64> left = processesCarrying(entry);
    while (!left.isEmpty() && waited.elapsed() < graceMs) {
        QTest::qWait(50);
        left = processesCarrying(entry);
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
    };
    const QByteArray lower = text.toLower();
    for (const char *bad : kBadOutput) {
        if (lower.contains(bad))
            return QString::fromLatin1(bad);
    }
    return {};
}

} // namespace testsupport
