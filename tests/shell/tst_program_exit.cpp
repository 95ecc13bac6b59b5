// How the program ends: every way out (Exit on the menu or a page, the frame's
// close button, after Back, in the compact view, while a recording plays)
// ends the whole program at once and cleanly, with no engine process left
// behind; and started as root with the engine's sandbox on, it refuses to run.
//
// The program runs in a child process (sorvantel-scenario, which drives it
// with real clicks) against a local listen site served from this process.

#include "child_process_support.h"

#include <listen_site.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <QUuid>

#include <algorithm>
#include <csignal>
#include <sys/types.h>
#include <unistd.h>

using namespace testsupport;

namespace {

constexpr int kChildTimeoutMs = 60000;
// After its last step, the program has this long to be gone.
constexpr qint64 kEndWithinMs = 5000;
// The engine's own processes may take a moment longer to follow it.
constexpr int kEngineGraceMs = 2000;

} // namespace

class ProgramExitTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void endsCleanly_data();
    void endsCleanly();

    void refusesRootWithSandbox_data();
    void refusesRootWithSandbox();

private:
    testsupport::ListenSite site_;
};

void ProgramExitTest::initTestCase()
{
    QVERIFY2(site_.listen(), qPrintable(site_.errorString()));
    QVERIFY(QFile::exists(QStringLiteral(SORVANTEL_SCENARIO)));
    QVERIFY(QFile::exists(QStringLiteral(SORVANTEL_PROGRAM)));
}

void ProgramExitTest::endsCleanly_data()
{
    QTest::addColumn<QStringList>("steps");

    const auto steps = [](const char *script) {
        return QString::fromLatin1(script).split(QLatin1Char(' '));
    };
    QTest::newRow("exit on the menu") << steps("click:Form2/Command3");
    // The engine starts once the menu is drawn: the first row ends before it is up.
    QTest::newRow("exit on the menu once the engine is up")
        << steps("sleep:500 click:Form2/Command3");
    QTest::newRow("close the menu by its frame") << steps("close:Form2");
    QTest::newRow("exit on a page just opened")
        << steps("click:Form2/Command1 click:Form1/Command115");
    QTest::newRow("exit on a page while it plays")
        << steps("click:Form2/Command1 click:Form1/Command1 wait-playing:Form1 click:Form1/Command115");
    QTest::newRow("close a compact page by its frame while it plays")
        << steps("click:Form2/Command2 click:Form3/Command33 wait-playing:Form3 "
                 "click:Form3/Command118 close:Form3");
    QTest::newRow("enlarge a compact page, then exit while it plays")
        << steps("click:Form2/Command9 click:Form9/Command2 wait-playing:Form9 "
                 "click:Form9/Command118 click:Form9/Command117 click:Form9/Command115");
    QTest::newRow("back to the menu, then exit")
        << steps("click:Form2/Command1 click:Form1/Command116 click:Form2/Command3");
    // Form4 shows the menu before it unloads itself; here it goes while playing.
    QTest::newRow("back from Form4 while it plays, then exit")
        << steps("click:Form2/Command4 click:Form4/Command1 wait-playing:Form4 "
                 "click:Form4/Command116 click:Form2/Command3");
}

void ProgramExitTest::endsCleanly()
{
    QFETCH(QStringList, steps);

    const QByteArray marker = newMarkerEntry();
    QProcessEnvironment env = childEnvironment(marker);

    // The child reports each step as it finishes it; the clock for its end
    // starts at the last report.
    static const QRegularExpression stepDone(QStringLiteral("^step (\\d+) done$"),
                                             QRegularExpression::MultilineOption);
    QByteArray out;
    int stepsDone = 0;
    qsizetype mostProcesses = 0; // the child and its engine's, at a step's end
    QElapsedTimer sinceLastStep;
    qint64 endedAfterMs = -1;

    // Declared after what its handlers write to, so that it goes first.
    QProcess child;
    child.setProcessEnvironment(env);
    child.setProgram(QStringLiteral(SORVANTEL_SCENARIO));
    child.setArguments(QStringList{QStringLiteral("--hosts"), site_.host(), site_.host()} + steps);
    const auto readOut = [&] {
        out += child.readAllStandardOutput();
        int done = 0;
        for (auto match = stepDone.globalMatch(QString::fromLatin1(out)); match.hasNext();)
            done = match.next().captured(1).toInt();
        if (done > stepsDone) {
            stepsDone = done;
            sinceLastStep.start();
            mostProcesses = std::max(mostProcesses, processesCarrying(marker).size());
        }
    };
    connect(&child, &QProcess::readyReadStandardOutput, this, readOut);
    connect(&child, &QProcess::finished, this, [&] {
        readOut();
        endedAfterMs = sinceLastStep.isValid() ? sinceLastStep.elapsed() : -1;
    });

    child.start();
    QVERIFY2(child.waitForStarted(), qPrintable(child.errorString()));
    // Without this the look for engine processes below would prove nothing.
    // (The start is reported as the new program is loaded, a moment before
    // its environment can be read.)
    QVERIFY2(QTest::qWaitFor([&] { return processesCarrying(marker).contains(child.processId()); },
                             2000),
             "the child is not found by its environment");
    // The listen site answers from this event loop, so wait with it running.
    const bool ended = QTest::qWaitFor([&] { return child.state() == QProcess::NotRunning; },
                                       kChildTimeoutMs);
    if (!ended) {
        child.kill();
        child.waitForFinished();
    }
    const QByteArray err = child.readAllStandardError();
    QString left;
    const QList<qint64> remaining = leftBehind(marker, kEngineGraceMs, &left);

    const QByteArray report = "steps done: " + QByteArray::number(stepsDone) + " of "
        + QByteArray::number(steps.size()) + "\nstderr:\n" + err;
    QVERIFY2(ended, ("still running after its last step:\n" + report).constData());
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QVERIFY2(child.exitCode() == 0,
             ("exit status " + QByteArray::number(child.exitCode()) + "\n" + report).constData());
    QCOMPARE(stepsDone, steps.size());
    qInfo("ended %lld ms after its last step", endedAfterMs);
    QVERIFY2(endedAfterMs >= 0 && endedAfterMs < kEndWithinMs,
             qPrintable(QStringLiteral("ended %1 ms after its last step").arg(endedAfterMs)));
    const QString bad = badOutputIn(err);
    QVERIFY2(bad.isEmpty(), qPrintable(QStringLiteral("\"%1\" on stderr:\n%2")
                                           .arg(bad, QString::fromLocal8Bit(err))));
    // A page that played had engine processes, and they were seen by the
    // look that found none left.
    if (!steps.filter(QStringLiteral("wait-playing:")).isEmpty())
        QVERIFY2(mostProcesses > 1, "no engine process found while a page played");
    QVERIFY2(remaining.isEmpty(), qPrintable(QStringLiteral("left running: ") + left));
}

void ProgramExitTest::refusesRootWithSandbox_data()
{
    QTest::addColumn<bool>("flagsSet");
    QTest::addColumn<QString>("flags");

    QTest::newRow("no engine settings") << false << QString();
    QTest::newRow("engine flags without --no-sandbox") << true << QStringLiteral("--disable-gpu");
}

void ProgramExitTest::refusesRootWithSandbox()
{
    if (::geteuid() != 0)
        QSKIP("the program refuses to start only when run as root");
    QFETCH(bool, flagsSet);
    QFETCH(QString, flags);

    const QByteArray marker = newMarkerEntry();
    QProcessEnvironment env = childEnvironment(marker);
    env.remove(QStringLiteral("QTWEBENGINE_DISABLE_SANDBOX"));
    env.remove(QStringLiteral("QTWEBENGINE_CHROMIUM_FLAGS"));
    if (flagsSet)
        env.insert(QStringLiteral("QTWEBENGINE_CHROMIUM_FLAGS"), flags);

    QProcess program;
    program.setProcessEnvironment(env);
    QElapsedTimer clock;
    clock.start();
    program.start(QStringLiteral(SORVANTEL_PROGRAM), {});
    QVERIFY2(program.waitForStarted(), qPrintable(program.errorString()));
    const bool ended = program.waitForFinished(10000);
    const qint64 tookMs = clock.elapsed();
    if (!ended) {
        program.kill();
        program.waitForFinished();
    }
    QString left;
    const QList<qint64> remaining = leftBehind(marker, kEngineGraceMs, &left);
    const QByteArray err = program.readAllStandardError();

    QVERIFY2(ended, ("the program started:\n" + err).constData());
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 1);
    QVERIFY2(tookMs < 3000, qPrintable(QStringLiteral("took %1 ms to refuse").arg(tookMs)));
    QVERIFY2(err.count('\n') == 1 && err.endsWith('\n') && !err.trimmed().isEmpty(),
             ("not one line on stderr:\n" + err).constData());
    QVERIFY2(err.contains("root") && err.contains("sandbox"), err.constData());
    QCOMPARE(program.readAllStandardOutput(), QByteArray());
    QVERIFY2(remaining.isEmpty(), qPrintable(QStringLiteral("left running: ") + left));
}

QTEST_GUILESS_MAIN(ProgramExitTest)

#include "tst_program_exit.moc"
