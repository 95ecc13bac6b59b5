// sorvantel-bench --driver <path> --peer-window <path> --peer-view <path>
//                 [--runs <n>] [--cycles <n>] [--logs <dir>] [--table <file>]
//
// Serves the local listen site on 127.0.0.1, runs the program (through its
// bench driver) and its bare peers one at a time, <n> runs each, in turns,
// and prints a table of medians with the program's ratio to its peer; then
// one run of <n> cycles of open, listen and Back for the program and the peer
// view. Every child inherits this process's environment (display, platform,
// sandbox), so the program and its peers run under the same one.
//
// Times come from CLOCK_MONOTONIC on both sides: a child's "ev" lines, this
// process's moment of starting it, and the moment a listen page's request
// has fully arrived at the site.

#include "clock.h"
#include "proc_tree.h"

#include <listen_site.h>

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <optional>
#include <vector>

namespace {

struct Options {
    QString driver;
    QString peerWindow;
    QString peerView;
    int runs = 9;
    int cycles = 200;
    QString logs = QDir::tempPath() + QStringLiteral("/sorvantel-bench-logs");
    QString table;
};

struct Arrival {
    qint64 ns;
    QByteArray target;
};

struct ChildRun {
    QString label;
    qint64 spawnNs = 0;
    std::vector<std::pair<QString, qint64>> events;
    std::optional<bench::TreeMemory> memory;
    QStringList lines; // every other report line
    QString error;
    int exitCode = -1;

    std::optional<qint64> event(const QString &name) const
    {
        for (const auto &[n, ns] : events) {
            if (n == name)
                return ns;
        }
        return std::nullopt;
    }
    std::vector<qint64> all(const QString &name) const
    {
        std::vector<qint64> found;
        for (const auto &[n, ns] : events) {
            if (n == name)
                found.push_back(ns);
        }
        return found;
    }
};

std::vector<Arrival> g_arrivals;

void say(const QString &text)
{
    std::fprintf(stderr, "%s\n", qPrintable(text));
    std::fflush(stderr);
}

ChildRun runChild(const QString &label, const QString &program, const QStringList &args, int limitMs,
                  const QString &logPath)
{
    ChildRun run;
    run.label = label;
    QProcess process;
    process.setProgram(program);
    process.setArguments(args);
    process.setStandardErrorFile(logPath);
    QEventLoop loop;
    QObject::connect(&process, &QProcess::readyReadStandardOutput, &loop, [&] {
        while (process.canReadLine()) {
            const QString line = QString::fromUtf8(process.readLine()).trimmed();
            const QStringList words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
            if (words.isEmpty())
                continue;
            if (words[0] == QLatin1String("ev") && words.size() == 3) {
                run.events.emplace_back(words[1], words[2].toLongLong());
            } else if (words[0] == QLatin1String("mem-ready")) {
                run.memory = bench::treeMemory(pid_t(process.processId()));
                process.write("go\n");
            } else if (words[0] == QLatin1String("error")) {
                run.error = line;
            } else {
                run.lines << line;
            }
        }
    });
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&process, &QProcess::errorOccurred, &loop, [&](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            run.error = QStringLiteral("cannot start %1").arg(program);
            loop.quit();
        }
    });
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, [&] {
        run.error = QStringLiteral("still running after %1 s").arg(limitMs / 1000);
        process.kill();
    });
    limit.start(limitMs);
    run.spawnNs = bench::monotonicNs();
    process.start();
    loop.exec();
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(5000);
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    if (run.error.isEmpty() && run.exitCode != 0)
        run.error = QStringLiteral("exit status %1").arg(run.exitCode);
    if (!run.error.isEmpty())
        say(QStringLiteral("  %1: %2 (see %3)").arg(label, run.error, logPath));
    return run;
}

// The first listen-page request that arrived after `ns`.
std::optional<qint64> arrivalAfter(qint64 ns)
{
    for (const Arrival &arrival : g_arrivals) {
        if (arrival.ns >= ns)
            return arrival.ns;
    }
    return std::nullopt;
}

double ms(qint64 ns)
{
    return double(ns) / 1e6;
}

double median(std::vector<double> values)
{
    if (values.empty())
        return std::nan("");
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

// Samples by measure, then by who was measured ("program", "peer").
using Samples = std::map<QString, std::map<QString, std::vector<double>>>;

void collectListening(const ChildRun &run, const QString &who, Samples &samples)
{
    auto span = [&](const QString &measure, std::optional<qint64> from, std::optional<qint64> to) {
        if (from && to)
            samples[measure][who].push_back(ms(*to - *from));
    };
    const std::optional<qint64> spawn = run.spawnNs;
    span(QStringLiteral("start-exposed"), spawn, run.event(QStringLiteral("menu-exposed")));
    span(QStringLiteral("start-painted"), spawn, run.event(QStringLiteral("menu-painted")));
    span(QStringLiteral("start-main"), spawn, run.event(QStringLiteral("main")));
    for (const char *digit : {"1", "2"}) {
        const QString n = QLatin1String(digit);
        const auto clicked = run.event(QStringLiteral("click-page") + n);
        span(QStringLiteral("page") + n, clicked, run.event(QStringLiteral("page") + n + QStringLiteral("-painted")));
        span(QStringLiteral("page") + n + QStringLiteral("-built"), clicked,
             run.event(QStringLiteral("page") + n + QStringLiteral("-built")));
        span(QStringLiteral("page") + n + QStringLiteral("-exposed"), clicked,
             run.event(QStringLiteral("page") + n + QStringLiteral("-exposed")));
        const auto fresh = run.event(QStringLiteral("click-fresh") + n);
        if (fresh)
            span(QStringLiteral("fresh") + n, fresh, arrivalAfter(*fresh));
        span(QStringLiteral("loaded-fresh") + n, fresh, run.event(QStringLiteral("loaded-fresh") + n));
    }
    const std::vector<qint64> later = run.all(QStringLiteral("click-later"));
    const std::vector<qint64> loaded = run.all(QStringLiteral("loaded-later"));
    for (std::size_t i = 0; i < later.size(); ++i) {
        span(QStringLiteral("later"), later[i], arrivalAfter(later[i]));
        if (i < loaded.size())
            span(QStringLiteral("loaded-later"), later[i], loaded[i]);
    }
    span(QStringLiteral("back"), run.event(QStringLiteral("click-back")),
         run.event(QStringLiteral("menu-back-exposed")));
    span(QStringLiteral("exit"), run.event(QStringLiteral("click-exit")), run.event(QStringLiteral("exit")));
    if (run.memory) {
        if (run.memory->distinctKib > 0)
            samples[QStringLiteral("distinct")][who].push_back(run.memory->distinctMib());
        samples[QStringLiteral("pss")][who].push_back(run.memory->pssMib());
        samples[QStringLiteral("rss")][who].push_back(run.memory->rssMib());
        samples[QStringLiteral("procs")][who].push_back(run.memory->engineProcesses);
    }
}

struct CycleResult {
    std::vector<double> cycleMs; // cycles 2 on; the first also waits for its page to play
    // cycle -> rss, tree rss, tree pss, engine processes, tree distinct
    std::map<int, std::vector<long>> memory;
    int procsOpen = -1;
    bool ok = false;
};

CycleResult collectCycles(const ChildRun &run)
{
    CycleResult result;
    result.ok = run.error.isEmpty();
    for (const QString &line : run.lines) {
        const QStringList words = line.split(QLatin1Char(' '));
        if (words[0] == QLatin1String("cycle") && words.size() == 3 && words[1].toInt() > 1)
            result.cycleMs.push_back(ms(words[2].toLongLong()));
        else if (words[0] == QLatin1String("procs-open") && words.size() == 2)
            result.procsOpen = words[1].toInt();
        else if (words[0] == QLatin1String("mem") && words.size() == 7)
            result.memory[words[1].toInt()] = {words[2].toLong(), words[3].toLong(), words[4].toLong(),
                                               words[5].toLong(), words[6].toLong()};
    }
    return result;
}

QString number(double value, int decimals = 1)
{
    return std::isnan(value) ? QStringLiteral("-") : QString::number(value, 'f', decimals);
}

struct Row {
    QString id;
    QString measure;
    QString program;
    QString peer;
    QString ratio;
    QString goal;
    QString verdict;
};

void printTable(const QList<Row> &rows, const QString &tableFile)
{
    const QStringList head = {QStringLiteral("#"), QStringLiteral("measure"), QStringLiteral("program"),
                              QStringLiteral("peer"), QStringLiteral("ratio"), QStringLiteral("goal"),
                              QStringLiteral("")};
    QList<QStringList> cells{head};
    for (const Row &row : rows)
        cells << QStringList{row.id, row.measure, row.program, row.peer, row.ratio, row.goal, row.verdict};
    QList<qsizetype> widths(head.size(), 0);
    for (const QStringList &line : cells) {
        for (qsizetype i = 0; i < line.size(); ++i)
            widths[i] = std::max(widths[i], line[i].size());
    }
    QString text;
    QString markdown;
    for (qsizetype r = 0; r < cells.size(); ++r) {
        QStringList padded;
        for (qsizetype i = 0; i < cells[r].size(); ++i)
            padded << cells[r][i].leftJustified(widths[i]);
        text += padded.join(QStringLiteral("  ")).trimmed() + QLatin1Char('\n');
        markdown += QStringLiteral("| ") + cells[r].join(QStringLiteral(" | ")) + QStringLiteral(" |\n");
        if (r == 0)
            markdown += QStringLiteral("|---|---|---:|---:|---:|---|---|\n");
    }
    std::fputs(text.toUtf8().constData(), stdout);
    std::fflush(stdout);
    if (!tableFile.isEmpty()) {
        QFile file(tableFile);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(markdown.toUtf8());
    }
}

std::optional<Options> parse(const QStringList &args)
{
    Options options;
    for (qsizetype i = 1; i + 1 < args.size(); i += 2) {
        const QString &key = args[i];
        const QString &value = args[i + 1];
        if (key == QLatin1String("--driver"))
            options.driver = value;
        else if (key == QLatin1String("--peer-window"))
            options.peerWindow = value;
        else if (key == QLatin1String("--peer-view"))
            options.peerView = value;
        else if (key == QLatin1String("--runs"))
            options.runs = std::clamp(value.toInt(), 1, 51);
        else if (key == QLatin1String("--cycles"))
            options.cycles = std::clamp(value.toInt(), 0, 2000);
        else if (key == QLatin1String("--logs"))
            options.logs = value;
        else if (key == QLatin1String("--table"))
            options.table = value;
        else
            return std::nullopt;
    }
    if (options.driver.isEmpty() || options.peerWindow.isEmpty() || options.peerView.isEmpty())
        return std::nullopt;
    return options;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const std::optional<Options> parsed = parse(app.arguments());
    if (!parsed) {
        std::fputs("usage: sorvantel-bench --driver <path> --peer-window <path> --peer-view <path>\n"
                   "                      [--runs <n>] [--cycles <n>] [--logs <dir>] [--table <file>]\n",
                   stderr);
        return 2;
    }
    const Options &options = *parsed;
    QDir().mkpath(options.logs);

    testsupport::ListenSite site;
    QObject::connect(&site, &testsupport::ListenSite::requestArrived, &site,
                     [](const testsupport::ListenSite::Request &request) {
                         const qint64 now = bench::monotonicNs();
                         if (!testsupport::ListenSite::isSoundTarget(request.target)
                             && !testsupport::ListenSite::isFaviconTarget(request.target))
                             g_arrivals.push_back({now, request.target});
                     });
    if (!site.listen()) {
        say(QStringLiteral("sorvantel-bench: the listen site cannot listen: %1").arg(site.errorString()));
        return 1;
    }
    const QStringList hostArgs{QStringLiteral("--host"), site.host()};
    say(QStringLiteral("listen site on %1; platform %2, display %3; %4 runs each")
            .arg(site.host(), qEnvironmentVariable("QT_QPA_PLATFORM", QStringLiteral("(default)")),
                 qEnvironmentVariable("DISPLAY", QStringLiteral("(none)")))
            .arg(options.runs));

    // Other work on the machine shows in every figure; say how much there was.
    auto loadAverage = [] {
        QFile file(QStringLiteral("/proc/loadavg"));
        return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()).section(QLatin1Char(' '), 0, 2)
                                              : QStringLiteral("unknown");
    };
    say(QStringLiteral("load average at the start: %1").arg(loadAverage()));

    Samples samples;
    int failures = 0;
    const QString logs = options.logs + QLatin1Char('/');
    for (int r = 0; r < options.runs; ++r) {
        // In turns, so that whatever drifts on the machine falls on all three.
        for (int k = 0; k < 3; ++k) {
            const int which = (r + k) % 3;
            const QString tag = QStringLiteral("-%1.log").arg(r + 1);
            if (which == 0) {
                const ChildRun run = runChild(QStringLiteral("bare window"), options.peerWindow, {}, 30000,
                                              logs + QStringLiteral("peer-window") + tag);
                failures += !run.error.isEmpty();
                if (run.error.isEmpty())
                    collectListening(run, QStringLiteral("window"), samples);
            } else {
                const bool program = which == 1;
                const ChildRun run =
                    runChild(program ? QStringLiteral("program") : QStringLiteral("bare view"),
                             program ? options.driver : options.peerView, hostArgs, 120000,
                             logs + (program ? QStringLiteral("program") : QStringLiteral("peer-view")) + tag);
                failures += !run.error.isEmpty();
                if (run.error.isEmpty())
                    collectListening(run, program ? QStringLiteral("program") : QStringLiteral("view"), samples);
            }
        }
        auto last = [&](const QString &measure, const QString &who) {
            const auto &values = samples[measure][who];
            return values.empty() ? std::nan("") : values.back();
        };
        say(QStringLiteral("run %1/%2: start %3 ms (bare %4), first page %5 ms (bare %6), "
                           "fresh click %7 ms (bare %8), memory %9 MiB (bare %10)")
                .arg(r + 1)
                .arg(options.runs)
                .arg(number(last(QStringLiteral("start-exposed"), QStringLiteral("program"))),
                     number(last(QStringLiteral("start-exposed"), QStringLiteral("window"))),
                     number(last(QStringLiteral("page1"), QStringLiteral("program"))),
                     number(last(QStringLiteral("page1"), QStringLiteral("view"))),
                     number(last(QStringLiteral("fresh1"), QStringLiteral("program"))),
                     number(last(QStringLiteral("fresh1"), QStringLiteral("view"))),
                     number(last(QStringLiteral("distinct"), QStringLiteral("program"))),
                     number(last(QStringLiteral("distinct"), QStringLiteral("view")))));
    }

    CycleResult programCycles;
    CycleResult peerCycles;
    if (options.cycles > 0) {
        const QStringList cycleArgs = hostArgs + QStringList{QStringLiteral("--cycles"), QString::number(options.cycles)};
        say(QStringLiteral("%1 cycles of open, listen, Back: program").arg(options.cycles));
        const ChildRun program = runChild(QStringLiteral("program cycles"), options.driver, cycleArgs, 480000,
                                          logs + QStringLiteral("program-cycles.log"));
        programCycles = collectCycles(program);
        say(QStringLiteral("%1 cycles of open, listen, Back: bare view").arg(options.cycles));
        const ChildRun peer = runChild(QStringLiteral("bare view cycles"), options.peerView, cycleArgs, 480000,
                                       logs + QStringLiteral("peer-view-cycles.log"));
        peerCycles = collectCycles(peer);
        failures += !programCycles.ok + !peerCycles.ok;
    }

    // The table.
    QList<Row> rows;
    auto med = [&](const QString &measure, const QString &who) { return median(samples[measure][who]); };
    auto count = [&](const QString &measure, const QString &who) { return samples[measure][who].size(); };
    auto ratioRow = [&](const QString &id, const QString &label, const QString &measure, const QString &peer,
                        double goal, const QString &unit, double absoluteGoal = std::nan("")) {
        const double p = med(measure, QStringLiteral("program"));
        const double b = med(measure, peer);
        const double ratio = p / b;
        Row row{id, label, number(p) + unit, number(b) + unit, number(ratio, 2) + QLatin1Char('x'), {}, {}};
        if (!std::isnan(goal)) {
            row.goal = QStringLiteral("<= %1x").arg(goal);
            bool met = ratio <= goal;
            if (!std::isnan(absoluteGoal)) {
                row.goal += QStringLiteral(", <= %1%2").arg(absoluteGoal).arg(unit);
                met = met && p <= absoluteGoal;
            }
            row.verdict = met ? QStringLiteral("met") : QStringLiteral("NOT MET");
        }
        row.measure += QStringLiteral(" [n=%1/%2]").arg(count(measure, QStringLiteral("program"))).arg(count(measure, peer));
        rows << row;
    };
    const QString msUnit = QStringLiteral(" ms");
    const QString mibUnit = QStringLiteral(" MiB");
    const double none = std::nan("");
    ratioRow(QStringLiteral("1"), QStringLiteral("start -> menu shown (first expose)"), QStringLiteral("start-exposed"),
             QStringLiteral("window"), 1.2, msUnit);
    ratioRow(QStringLiteral(""), QStringLiteral("start -> menu painted"), QStringLiteral("start-painted"),
             QStringLiteral("window"), none, msUnit);
    ratioRow(QStringLiteral(""), QStringLiteral("start -> main() entered"), QStringLiteral("start-main"),
             QStringLiteral("window"), none, msUnit);
    ratioRow(QStringLiteral("2a"), QStringLiteral("menu click -> page painted, first page"), QStringLiteral("page1"),
             QStringLiteral("view"), 1.1, msUnit);
    ratioRow(QStringLiteral("2b"), QStringLiteral("menu click -> page painted, later page"), QStringLiteral("page2"),
             QStringLiteral("view"), 1.1, msUnit);
    ratioRow(QStringLiteral(""), QStringLiteral("menu click -> its handler returned, first page"),
             QStringLiteral("page1-built"), QStringLiteral("view"), none, msUnit);
    ratioRow(QStringLiteral(""), QStringLiteral("menu click -> page window exposed, first page"),
             QStringLiteral("page1-exposed"), QStringLiteral("view"), none, msUnit);
    ratioRow(QStringLiteral("3a"), QStringLiteral("surah click -> request, fresh pane, first page"),
             QStringLiteral("fresh1"), QStringLiteral("view"), 1.1, msUnit);
    ratioRow(QStringLiteral("3b"), QStringLiteral("surah click -> request, fresh pane, later page"),
             QStringLiteral("fresh2"), QStringLiteral("view"), 1.1, msUnit);
    ratioRow(QStringLiteral("3c"), QStringLiteral("surah click -> request, later click"), QStringLiteral("later"),
             QStringLiteral("view"), 1.1, msUnit, 20);
    ratioRow(QStringLiteral(""), QStringLiteral("surah click -> listen page loaded, fresh pane"),
             QStringLiteral("loaded-fresh1"), QStringLiteral("view"), none, msUnit);
    ratioRow(QStringLiteral(""), QStringLiteral("surah click -> listen page loaded, later click"),
             QStringLiteral("loaded-later"), QStringLiteral("view"), none, msUnit);
    ratioRow(QStringLiteral(""), QStringLiteral("Back -> menu shown"), QStringLiteral("back"), QStringLiteral("view"),
             none, msUnit);
    ratioRow(QStringLiteral(""), QStringLiteral("Exit -> program returned"), QStringLiteral("exit"),
             QStringLiteral("view"), none, msUnit);
    ratioRow(QStringLiteral("4"), QStringLiteral("resident memory of the process tree, page playing"),
             QStringLiteral("distinct"), QStringLiteral("view"), 1.1, mibUnit);
    ratioRow(QStringLiteral(""), QStringLiteral("PSS of the process tree, page playing"), QStringLiteral("pss"),
             QStringLiteral("view"), none, mibUnit);
    ratioRow(QStringLiteral(""), QStringLiteral("RSS of the process tree, page playing"), QStringLiteral("rss"),
             QStringLiteral("view"), none, mibUnit);
    ratioRow(QStringLiteral(""), QStringLiteral("engine processes, page playing"), QStringLiteral("procs"),
             QStringLiteral("view"), none, QString());

    if (options.cycles > 0) {
        const QString n = QString::number(options.cycles);
        const double p = median(programCycles.cycleMs);
        const double b = median(peerCycles.cycleMs);
        rows << Row{QStringLiteral("5"), QStringLiteral("time per cycle (open, click, Back), median of 2..%1").arg(n),
                    number(p) + msUnit, number(b) + msUnit, number(p / b, 2) + QLatin1Char('x'), {}, {}};
        auto growth = [&](const CycleResult &result, int field) {
            const auto from = result.memory.find(20);
            const auto to = result.memory.find(options.cycles);
            if (from == result.memory.end() || to == result.memory.end())
                return std::nan("");
            return double(to->second[std::size_t(field)] - from->second[std::size_t(field)]) / 1024.0;
        };
        const double rssGrowth = growth(programCycles, 0);
        rows << Row{QString(), QStringLiteral("RSS growth, cycle 20 -> %1 (program process)").arg(n),
                    number(rssGrowth, 2) + mibUnit, number(growth(peerCycles, 0), 2) + mibUnit, {},
                    QStringLiteral("< 5 MiB"),
                    std::isnan(rssGrowth) ? QString() : rssGrowth < 5 ? QStringLiteral("met") : QStringLiteral("NOT MET")};
        const double pssGrowth = growth(programCycles, 2);
        rows << Row{QString(), QStringLiteral("PSS growth, cycle 20 -> %1 (process tree)").arg(n),
                    number(pssGrowth, 2) + mibUnit, number(growth(peerCycles, 2), 2) + mibUnit, {},
                    QStringLiteral("< 5 MiB"),
                    std::isnan(pssGrowth) ? QString() : pssGrowth < 5 ? QStringLiteral("met") : QStringLiteral("NOT MET")};
        const double treeGrowth = growth(programCycles, 4);
        rows << Row{QString(), QStringLiteral("resident growth, cycle 20 -> %1 (process tree)").arg(n),
                    number(treeGrowth, 2) + mibUnit, number(growth(peerCycles, 4), 2) + mibUnit, {},
                    QStringLiteral("< 5 MiB"),
                    std::isnan(treeGrowth) ? QString() : treeGrowth < 5 ? QStringLiteral("met") : QStringLiteral("NOT MET")};
        auto procs = [&](const CycleResult &result, int cycle) {
            const auto found = result.memory.find(cycle);
            return found == result.memory.end() ? -1 : int(found->second[3]);
        };
        const int left = procs(programCycles, options.cycles);
        rows << Row{QString(),
                    QStringLiteral("engine processes: one page playing / after Back / after %1").arg(n),
                    QStringLiteral("%1 / %2 / %3").arg(programCycles.procsOpen).arg(procs(programCycles, 1)).arg(left),
                    QStringLiteral("%1 / %2 / %3").arg(peerCycles.procsOpen).arg(procs(peerCycles, 1)).arg(procs(peerCycles, options.cycles)),
                    {}, QStringLiteral("end <= one page's"),
                    left >= 0 && programCycles.procsOpen >= 0 && left <= programCycles.procsOpen
                        ? QStringLiteral("met") : QStringLiteral("NOT MET")};
    }
    printTable(rows, options.table);
    say(QStringLiteral("load average at the end: %1").arg(loadAverage()));
    if (failures)
        say(QStringLiteral("%1 run(s) failed; their figures are left out (logs in %2)").arg(failures).arg(options.logs));
    return failures ? 1 : 0;
}
