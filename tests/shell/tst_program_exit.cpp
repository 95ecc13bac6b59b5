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

// Limits that only stop a run that hangs: the sanitizer builds under load
// take seconds for what takes a fraction of one otherwise, and the leak
// check at the end takes more.
constexpr int kChildTimeoutMs = 120000;
constexpr int kEngineGoneTimeoutMs = 60000;

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
    void checkMarkerFindsTheChild();

    testsupport::ListenSite site_;
};

void ProgramExitTest::initTestCase()
{
    QVERIFY2(site_.listen(), qPrintable(site_.errorString()));
    QVERIFY(QFile::exists(QStringLiteral(SORVANTEL_SCENARIO)));
    QVERIFY(QFile::exists(QStringLiteral(SORVANTEL_PROGRAM)));
    checkMarkerFindsTheChild();
}

// The look for processes left behind goes by the marker in their
// environment; without this it could find none because it finds nothing.
// The child waits for word that it was found, then exits.
void ProgramExitTest::checkMarkerFindsTheChild()
{
    const QByteArray marker = newMarkerEntry();
    QProcess child;
    child.setProcessEnvironment(childEnvironment(marker));
    child.start(QStringLiteral(SORVANTEL_SCENARIO),
                QStringList{QStringLiteral("--hosts"), site_.host(), site_.host(),
                            QStringLiteral("wait-input:found"), QStringLiteral("click:Form2/Command3")});
    QVERIFY2(child.waitForStarted(), qPrintable(child.errorString()));
    // (The start is reported as the new program is loaded, a moment before
    // its environment can be read.)
    const bool found = QTest::qWaitFor(
        [&] { return child.state() != QProcess::Running || processesCarrying(marker).contains(child.processId()); },
        kChildTimeoutMs) && child.state() == QProcess::Running;
    child.write("found\n");
    const bool ended = QTest::qWaitFor([&] { return child.state() == QProcess::NotRunning; }, kChildTimeoutMs);
    if (!ended)
        child.kill();
    QString left;
    leftBehind(marker, kEngineGoneTimeoutMs, &left);
    QVERIFY2(found, "the child is not found by its environment");
    QVERIFY2(ended && child.exitCode() == 0, child.readAllStandardError().constData());
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
        << steps("wait-engine click:Form2/Command3");
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

    // The child reports each step as it finishes it, and fails when the
    // program still runs after the last one: each way out ends it at once.
    static const QRegularExpression stepDone(QStringLiteral("^step (\\d+) done$"),
                                             QRegularExpression::MultilineOption);
    QByteArray out;
    int stepsDone = 0;
    qsizetype mostProcesses = 0; // the child and its engine's, at a step's end

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
            mostProcesses = std::max(mostProcesses, processesCarrying(marker).size());
        }
    };
    connect(&child, &QProcess::readyReadStandardOutput, this, readOut);
    connect(&child, &QProcess::finished, this, readOut);

    child.start();
    QVERIFY2(child.waitForStarted(), qPrintable(child.errorString()));
    // The listen site answers from this event loop, so wait with it running.
    const bool ended = QTest::qWaitFor([&] { return child.state() == QProcess::NotRunning; },
                                       kChildTimeoutMs);
    if (!ended) {
        child.kill();
        child.waitForFinished();
    }
    const QByteArray err = child.readAllStandardError();
    QString left;
    const QList<qint64> remaining = leftBehind(marker, kEngineGoneTimeoutMs, &left);

    const QByteArray report = "steps done: " + QByteArray::number(stepsDone) + " of "
        + QByteArray::number(steps.size()) + "\nstderr:\n" + err;
    QVERIFY2(ended, ("still running:\n" + report).constData());
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QVERIFY2(child.exitCode() == 0,
             ("exit status " + QByteArray::number(child.exitCode()) + "\n" + report).constData());
    QCOMPARE(stepsDone, steps.size());
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
    program.start(QStringLiteral(SORVANTEL_PROGRAM), {});
    QVERIFY2(program.waitForStarted(), qPrintable(program.errorString()));
    const bool ended = program.waitForFinished(kChildTimeoutMs);
    if (!ended) {
        program.kill();
        program.waitForFinished();
    }
    QString left;
    const QList<qint64> remaining = leftBehind(marker, kEngineGoneTimeoutMs, &left);
    const QByteArray err = program.readAllStandardError();

    QVERIFY2(ended, ("the program started:\n" + err).constData());
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 1);
    QVERIFY2(err.count('\n') == 1 && err.endsWith('\n') && !err.trimmed().isEmpty(),
             ("not one line on stderr:\n" + err).constData());
    QVERIFY2(err.contains("root") && err.contains("sandbox"), err.constData());
    QCOMPARE(program.readAllStandardOutput(), QByteArray());
    QVERIFY2(remaining.isEmpty(), qPrintable(QStringLiteral("left running: ") + left));
}

QTEST_GUILESS_MAIN(ProgramExitTest)

#include "tst_program_exit.moc"
