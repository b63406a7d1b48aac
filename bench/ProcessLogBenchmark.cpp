// A dev server flooding its output: 200,000 lines printed as fast as a child
// can. Measures the lines per second that the process manager takes into a
// project's log and the longest stall of the main event loop meanwhile.
// Reference: the same output read by cat into /dev/null through the same
// login shell, so the ratio shows what capturing the log costs.
//
// Then 500 MB without a single line break, as a progress display that only
// moves the cursor prints: the memory of the whole process at its peak
// (against its memory before that flood) and the longest stall of the event
// loop (against the line flood's), which must both stay small.
#include "core/foundation/Clock.h"
#include "core/processes/DevProcessManager.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace devnook;

namespace {

constexpr int kLines = 200000;
constexpr int kRuns = 5;
constexpr qint64 kUnbrokenBytes = 500'000'000;

QString printedLine(int number)
{
    return u"[vite] GET /src/components/Widget%1.tsx 200 in 3ms"_s.arg(number, 6, 10, QChar(u'0'));
}

// The resident memory of this process.
double residentMegabytes()
{
    QFile statm(u"/proc/self/statm"_s);
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> pages = statm.readAll().split(' ');
    return pages.value(1).toDouble() * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

struct FloodRun {
    double seconds = 0;
    double longestStallMs = 0;
    double peakResidentMb = 0;
    bool complete = false;
};

FloodRun floodThroughManager(const QString &command, const QString &folder)
{
    SystemClock clock;
    DevProcessManager manager(clock);
    DevProject project;
    project.id = QUuid::createUuid();
    project.folderPath = folder;
    project.services = {ProjectService{QUuid::createUuid(), u"web"_s, command, {}}};

    // The store keeps a copy of every published log, as the views need it.
    QList<DevProcessLogLine> published;
    QList<DevProcessLogLine> beforeExit;
    QObject::connect(&manager, &DevProcessManager::logsDidChange, &manager,
                     [&](const QUuid &, const QList<DevProcessLogLine> &lines) {
                         beforeExit = published;
                         published = lines;
                     });

    QEventLoop loop;
    QObject::connect(&manager, &DevProcessManager::stateDidChange, &loop,
                     [&](const QUuid &, DevProcessState state) {
                         if (state == DevProcessState::stopped || state == DevProcessState::failed)
                             loop.quit();
                     });

    QElapsedTimer sinceTick;
    double longestStallMs = 0;
    double peakResidentMb = 0;
    int ticks = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, &loop, [&] {
        longestStallMs = std::max(longestStallMs, sinceTick.nsecsElapsed() / 1e6);
        if (++ticks % 10 == 0)
            peakResidentMb = std::max(peakResidentMb, residentMegabytes());
        sinceTick.restart();
    });

    QElapsedTimer elapsed;
    elapsed.start();
    sinceTick.start();
    ticker.start();
    manager.start(project);
    loop.exec();
    FloodRun run{elapsed.nsecsElapsed() / 1e9, longestStallMs, std::max(peakResidentMb, residentMegabytes()),
                 false};

    // The log just before the exit line must hold exactly the last 500
    // printed lines, in order.
    if (beforeExit.size() == DevProcessManager::kMaxLogLines) {
        run.complete = true;
        for (int i = 0; i < beforeExit.size(); ++i) {
            const int number = kLines - DevProcessManager::kMaxLogLines + 1 + i;
            if (beforeExit.at(i).text != u"[web] "_s + printedLine(number))
                run.complete = false;
        }
    }
    return run;
}

double catIntoDevNull(const QString &outputFile, const QString &folder)
{
    const LoginShell shell = LoginShell::system();
    QProcess process;
    process.setWorkingDirectory(folder);
    QElapsedTimer elapsed;
    elapsed.start();
    process.start(shell.program(), shell.arguments(u"cat '"_s + outputFile + u"' >/dev/null"_s));
    process.waitForFinished(-1);
    return elapsed.nsecsElapsed() / 1e9;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QTemporaryDir folder;
    const QString outputFile = folder.filePath(u"output.txt"_s);
    {
        QFile file(outputFile);
        if (!file.open(QIODevice::WriteOnly))
            return 1;
        QByteArray bytes;
        for (int i = 1; i <= kLines; ++i)
            bytes += printedLine(i).toUtf8() + '\n';
        file.write(bytes);
    }

    QList<double> managerSeconds;
    QList<double> catSeconds;
    double longestStallMs = 0;
    bool complete = true;
    for (int run = 0; run < kRuns; ++run) {
        const FloodRun flood = floodThroughManager(u"cat '"_s + outputFile + u"'"_s, folder.path());
        managerSeconds.append(flood.seconds);
        longestStallMs = std::max(longestStallMs, flood.longestStallMs);
        complete = complete && flood.complete;
        catSeconds.append(catIntoDevNull(outputFile, folder.path()));
    }

    const double managerRate = kLines / median(managerSeconds);
    const double catRate = kLines / median(catSeconds);
    std::printf("process log flood: %d lines, median of %d runs\n", kLines, kRuns);
    std::printf("  manager:            %10.0f lines/s (%.1f ms)\n", managerRate,
                median(managerSeconds) * 1e3);
    std::printf("  cat into /dev/null: %10.0f lines/s (%.1f ms)\n", catRate, median(catSeconds) * 1e3);
    std::printf("  ratio manager/cat:  %10.2f of cat's rate\n", managerRate / catRate);
    std::printf("  longest event-loop stall: %.1f ms\n", longestStallMs);
    std::printf("  last 500 lines complete and in order: %s\n", complete ? "yes" : "NO");
    std::printf("figure process_log_lines_per_s: %.0f lines/s (%.2f of cat's rate)\n", managerRate,
                managerRate / catRate);

    const double residentBefore = residentMegabytes();
    const FloodRun unbroken =
        floodThroughManager(u"head -c %1 /dev/zero | tr '\\0' x"_s.arg(kUnbrokenBytes), folder.path());
    std::printf("no line break: %lld bytes in %.1f s\n", static_cast<long long>(kUnbrokenBytes),
                unbroken.seconds);
    std::printf("figure flood_no_newline_rss_mb: %.1f MB (%.2f of the %.1f MB before)\n",
                unbroken.peakResidentMb, unbroken.peakResidentMb / residentBefore, residentBefore);
    std::printf("figure flood_no_newline_stall_ms: %.1f ms (%.2f of the line flood's %.1f ms)\n",
                unbroken.longestStallMs, unbroken.longestStallMs / longestStallMs, longestStallMs);
    return complete ? 0 : 1;
}
