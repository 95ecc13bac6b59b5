// The whole program in a child process, when things go wrong or leave
// traces: Exit while a page hangs on a site that stopped answering ends it
// at once and cleanly; a whole session writes nothing under the home and XDG
// folders it was given; and an address the browser pane cannot read is
// reported as a run-time error that ends the program.
//
// The program runs as sorvantel-scenario, which drives it with real clicks,
// against local listen sites served from this process.

#include "child_process_support.h"

#include <listen_site.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>

#include <algorithm>
#include <csignal>
#include <functional>
#include <sys/types.h>
#include <unistd.h>

using namespace testsupport;

namespace {

// Limits that only stop a run that hangs: the sanitizer builds under load
// take seconds for what takes a fraction of one otherwise, and the leak
// check at the end takes more.
constexpr int kChildTimeoutMs = 120000;
constexpr int kEngineGoneTimeoutMs = 60000;

// Every file and folder under `root`, hidden ones included, as paths relative
// to it; folders end in '/'.
QStringList treeUnder(const QString &root)
{
    QStringList entries;
    const QDir base(root);
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        entries << base.relativeFilePath(info.filePath()) + (info.isDir() && !info.isSymLink() ? QStringLiteral("/") : QString());
    }
    entries.sort();
    return entries;
}

QStringList missingFrom(const QStringList &all, const QStringList &some)
{
    QStringList missing;
    for (const QString &entry : all) {
        if (!some.contains(entry))
            missing << entry;
    }
    return missing;
}

// One run of sorvantel-scenario to its end.
struct ChildRun {
    bool ended = false;
    QProcess::ExitStatus exitStatus = QProcess::CrashExit;
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
    int stepsDone = 0;
    qsizetype mostProcesses = 0; // the child and its engine's, at a step's end
    QString leftRunning;         // processes of the run that never went

    QByteArray report() const
    {
        return "exit status " + QByteArray::number(exitCode) + ", steps done: "
            + QByteArray::number(stepsDone) + "\nstderr:\n" + err;
    }
};

// Runs the scenario with `extraEnvironment` on top of this process's, and
// calls `stepDone` (if given) with the child and each step's number as the
// child reports it. Once the child has ended, waits for its engine's
// processes to go; any that never go are killed and named in leftRunning.
ChildRun runScenario(const QStringList &arguments, const QProcessEnvironment &extraEnvironment,
                     const std::function<void(QProcess &, int)> &stepDone = {})
{
    ChildRun run;
    const QByteArray marker = newMarkerEntry();
    QProcessEnvironment env = childEnvironment(marker);
    for (const QString &name : extraEnvironment.keys())
        env.insert(name, extraEnvironment.value(name));

    static const QRegularExpression stepLine(QStringLiteral("^step (\\d+) done$"),
                                             QRegularExpression::MultilineOption);

    QProcess child;
    child.setProcessEnvironment(env);
    child.setProgram(QStringLiteral(SORVANTEL_SCENARIO));
    child.setArguments(arguments);
    const auto readOut = [&] {
        run.out += child.readAllStandardOutput();
        int done = 0;
        for (auto match = stepLine.globalMatch(QString::fromLatin1(run.out)); match.hasNext();)
            done = match.next().captured(1).toInt();
        while (run.stepsDone < done) {
            ++run.stepsDone;
            run.mostProcesses = std::max(run.mostProcesses, processesCarrying(marker).size());
            if (stepDone)
                stepDone(child, run.stepsDone);
        }
    };
    QObject::connect(&child, &QProcess::readyReadStandardOutput, &child, readOut);
    QObject::connect(&child, &QProcess::finished, &child, readOut);

    child.start();
    if (!child.waitForStarted()) {
        run.err = child.errorString().toLocal8Bit();
        return run;
    }
    // The listen sites answer from this event loop, so wait with it running.
    run.ended = QTest::qWaitFor([&] { return child.state() == QProcess::NotRunning; }, kChildTimeoutMs);
    if (!run.ended) {
        child.kill();
        child.waitForFinished();
    }
    run.exitStatus = child.exitStatus();
    run.exitCode = child.exitCode();
    run.err = child.readAllStandardError();

    leftBehind(marker, kEngineGoneTimeoutMs, &run.leftRunning);
    return run;
}

QStringList script(const char *steps)
{
    return QString::fromLatin1(steps).split(QLatin1Char(' '));
}

} // namespace

class ProgramFaultsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void exitWhileAPageHangs();
    void sessionWritesNothingToDisk();
    void unreadableAddressIsARuntimeError_data();
    void unreadableAddressIsARuntimeError();

private:
    QStringList hostsArguments(const testsupport::ListenSite &site) const
    {
        return {QStringLiteral("--hosts"), site.host(), site.host()};
    }
};

void ProgramFaultsTest::initTestCase()
{
    QVERIFY(QFile::exists(QStringLiteral(SORVANTEL_SCENARIO)));
}

void ProgramFaultsTest::exitWhileAPageHangs()
{
    testsupport::ListenSite site;
    site.setStallAfterHead(true);
    QVERIFY2(site.listen(), qPrintable(site.errorString()));

    // The child goes on to Exit once the click's request has reached the
    // site, which then holds back the body: Exit comes while the page waits
    // for it.
    const QStringList steps =
        script("click:Form2/Command1 click:Form1/Command1 wait-input:held click:Form1/Command115");
    QProcess *running = nullptr; // the child, once it has reported a step
    int requestsBeforeExit = -1;
    int heldBeforeExit = -1;
    const auto sayHeldOnce = [&] {
        if (!running || requestsBeforeExit >= 0 || site.listenPageRequests() == 0)
            return;
        requestsBeforeExit = site.listenPageRequests();
        heldBeforeExit = site.openConnections();
        running->write("held\n");
    };
    connect(&site, &ListenSite::requestArrived, this, sayHeldOnce);
    const ChildRun run = runScenario(hostsArguments(site) + steps, {}, [&](QProcess &child, int) {
        running = &child;
        sayHeldOnce(); // the request may have come before the first step was read
    });
    running = nullptr;

    QVERIFY2(run.ended, ("still running:\n" + run.report()).constData());
    QCOMPARE(run.exitStatus, QProcess::NormalExit);
    QVERIFY2(run.exitCode == 0, run.report().constData());
    QCOMPARE(run.stepsDone, steps.size());
    QCOMPARE(requestsBeforeExit, 1);
    QVERIFY2(heldBeforeExit >= 1, "the page was not waiting on the site when Exit came");
    const QString bad = badOutputIn(run.err);
    QVERIFY2(bad.isEmpty(), qPrintable(QStringLiteral("\"%1\" on stderr:\n%2")
                                           .arg(bad, QString::fromLocal8Bit(run.err))));
    QVERIFY2(run.mostProcesses > 1, "no engine process found while the page loaded");
    QVERIFY2(run.leftRunning.isEmpty(), qPrintable(QStringLiteral("left running: ") + run.leftRunning));
}

void ProgramFaultsTest::sessionWritesNothingToDisk()
{
    testsupport::ListenSite site;
    QVERIFY2(site.listen(), qPrintable(site.errorString()));

    QTemporaryDir root;
    QVERIFY(root.isValid());
    const struct {
        const char *variable;
        const char *folder;
    } places[] = {
        {"HOME", "home"},           {"XDG_CONFIG_HOME", "config"}, {"XDG_CACHE_HOME", "cache"},
        {"XDG_DATA_HOME", "data"},  {"XDG_STATE_HOME", "state"},   {"XDG_RUNTIME_DIR", "runtime"},
        // Not a place for settings, but a file left there is a file written.
        {"TMPDIR", "tmp"},
    };
    QProcessEnvironment env;
    for (const auto &place : places) {
        const QString path = root.filePath(QLatin1String(place.folder));
        QVERIFY(QDir().mkpath(path));
        env.insert(QLatin1String(place.variable), path);
    }
    QVERIFY(QFile::setPermissions(root.filePath(QStringLiteral("runtime")),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    const QStringList before = treeUnder(root.path());

    const QStringList steps = script(
        "click:Form2/Command1 click:Form1/Command1 wait-playing:Form1 click:Form1/Command118 "
        "click:Form1/Command117 click:Form1/Command116 click:Form2/Command9 click:Form9/Command67 "
        "wait-playing:Form9 click:Form9/Command118 click:Form9/Command117 click:Form9/Command115");
    const ChildRun run = runScenario(hostsArguments(site) + steps, env);

    QVERIFY2(run.ended, ("still running:\n" + run.report()).constData());
    QCOMPARE(run.exitStatus, QProcess::NormalExit);
    QVERIFY2(run.exitCode == 0, run.report().constData());
    QCOMPARE(run.stepsDone, steps.size());
    QVERIFY2(run.leftRunning.isEmpty(), qPrintable(QStringLiteral("left running: ") + run.leftRunning));

    const QStringList after = treeUnder(root.path());
    const QStringList appeared = missingFrom(after, before);
    const QStringList vanished = missingFrom(before, after);
    QVERIFY2(appeared.isEmpty() && vanished.isEmpty(),
             qPrintable(QStringLiteral("appeared: %1\nvanished: %2")
                            .arg(appeared.join(QLatin1String(", ")), vanished.join(QLatin1String(", ")))));
}

void ProgramFaultsTest::unreadableAddressIsARuntimeError_data()
{
    QTest::addColumn<QString>("address");

    // Without a scheme an address is not whole: nothing is guessed for it.
    QTest::newRow("blank in a bare host") << QStringLiteral("exa mple.invalid/");
    QTest::newRow("bare host, port out of range") << QStringLiteral("127.0.0.1:99999/");
    // With the scheme written, as every address the program builds has it,
    // the pane must give up rather than go somewhere else.
    QTest::newRow("http, blank in the host") << QStringLiteral("http://exa mple.invalid/");
    QTest::newRow("http, port out of range") << QStringLiteral("http://127.0.0.1:99999/");
}

void ProgramFaultsTest::unreadableAddressIsARuntimeError()
{
    QFETCH(QString, address);

    // Should the pane load something after all, every name it looks up is
    // answered as unknown on the spot: nothing leaves this machine. (The
    // engine reads quotes in this variable as a shell does.)
    QProcessEnvironment env;
    env.insert(QStringLiteral("QTWEBENGINE_CHROMIUM_FLAGS"),
               qEnvironmentVariable("QTWEBENGINE_CHROMIUM_FLAGS")
                   + QStringLiteral(" --host-resolver-rules=\"MAP * ~NOTFOUND\""));
    // With the engine up, so that its processes are there to be left behind.
    // The address handed over, the script is done: if the pane took it, the
    // program would still run and the child would say so.
    const QStringList steps{QStringLiteral("click:Form2/Command1"), QStringLiteral("wait-engine"),
                            QStringLiteral("navigate:Form1:") + address};
    const ChildRun run = runScenario(
        QStringList{QStringLiteral("--hosts"), QStringLiteral("dl.invalid"), QStringLiteral("lb.invalid")} + steps,
        env);

    QVERIFY2(run.ended, ("still running:\n" + run.report()).constData());
    QCOMPARE(run.exitStatus, QProcess::NormalExit);
    QVERIFY2(run.leftRunning.isEmpty(), qPrintable(QStringLiteral("left running: ") + run.leftRunning));
    QVERIFY2(run.exitCode == 1, run.report().constData());
    QCOMPARE(run.stepsDone, 2); // the navigate step never finished

    QList<QByteArray> reports;
    for (const QByteArray &line : run.err.split('\n')) {
        if (line.contains("Run-time error"))
            reports << line;
    }
    QVERIFY2(reports.size() == 1, run.report().constData());
    QVERIFY2(reports[0].startsWith("sorvantel: Run-time error: ") && reports[0].contains("Navigate")
                 && reports[0].contains("WebBrowser1"),
             reports[0].constData());
}

QTEST_GUILESS_MAIN(ProgramFaultsTest)

#include "tst_program_faults.moc"
