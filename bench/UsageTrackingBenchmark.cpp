// The session file at 100,000 sessions, about eight years of heavy use: the
// load at start, the summaries of 200 project rows, and a stop, which rewrites
// the whole file on the worker. Reference: parsing and writing the same JSON
// bytes alone, so the ratios show what decoding, cutting at midnights and
// counting add. The headline figure is how long a stop holds the interface
// thread while its save goes to the worker.
#include "RatioReporter.h"
#include "UsageBenchData.h"
#include "core/foundation/Clock.h"
#include "core/usage/UsageSessionCoding.h"
#include "core/usage/UsageTrackingService.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>

using namespace devnook;

namespace {

// A data folder holding a session file of the given size.
struct UsageFixture {
    explicit UsageFixture(int sessionCount) : projects(bench::makeUsageProjects())
    {
        bytes = UsageSessionCoding::encodeSessions(bench::makeUsageSessions(projects, sessionCount)).value();
        reset();
    }
    void reset() const
    {
        QDir().mkpath(home.filePath(QStringLiteral("Devnook")));
        QFile file(home.filePath(QStringLiteral("Devnook/usage_sessions.json")));
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(bytes);
    }

    QTemporaryDir home;
    SystemClock clock;
    QList<DevProject> projects;
    QByteArray bytes;
};

void BM_UsageLoad(benchmark::State &state)
{
    const UsageFixture fixture(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        UsageTrackingService service(fixture.home.path(), fixture.clock);
        service.waitForFiles();
        benchmark::DoNotOptimize(service.completedSessions().size());
    }
    state.counters["file_bytes"] = static_cast<double>(fixture.bytes.size());
}
BENCHMARK(BM_UsageLoad)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_UsageSummaries(benchmark::State &state)
{
    const UsageFixture fixture(static_cast<int>(state.range(0)));
    UsageTrackingService service(fixture.home.path(), fixture.clock);
    service.waitForFiles();
    for (auto _ : state)
        benchmark::DoNotOptimize(service.summaries(fixture.projects));
}
BENCHMARK(BM_UsageSummaries)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_UsageStopRewritesFile(benchmark::State &state)
{
    const UsageFixture fixture(static_cast<int>(state.range(0)));
    UsageTrackingService service(fixture.home.path(), fixture.clock);
    service.waitForFiles();
    const DevProject &project = fixture.projects.first();
    for (auto _ : state) {
        const Timestamp now = fixture.clock.now();
        service.start(project, ProjectUsageSessionSource::playButton, now.addSeconds(-60));
        benchmark::DoNotOptimize(service.stop(project.id, now));
        service.waitForFiles();
    }
    state.counters["file_bytes"] = static_cast<double>(QFileInfo(service.sessionsFilePath()).size());
}
BENCHMARK(BM_UsageStopRewritesFile)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// The time a stop holds the interface thread: the stop, then the turn of the
// event loop that hands its save to the worker. With "busy", each stop comes
// while the worker still writes the one before.
std::map<bool, double> g_uiBlockMs;

void BM_UsageSaveUiBlock(benchmark::State &state)
{
    const UsageFixture fixture(static_cast<int>(state.range(0)));
    const bool busy = state.range(1) != 0;
    UsageTrackingService service(fixture.home.path(), fixture.clock);
    service.waitForFiles();
    const DevProject &project = fixture.projects.first();
    double longestMs = 0.0;
    double totalMs = 0.0;
    for (auto _ : state) {
        if (!busy)
            service.waitForFiles();
        const Timestamp now = fixture.clock.now();
        service.start(project, ProjectUsageSessionSource::playButton, now.addSeconds(-60));
        QElapsedTimer blocked;
        blocked.start();
        benchmark::DoNotOptimize(service.stop(project.id, now));
        QCoreApplication::processEvents();
        const double ms = static_cast<double>(blocked.nsecsElapsed()) / 1e6;
        longestMs = std::max(longestMs, ms);
        totalMs += ms;
        state.SetIterationTime(ms / 1e3);
    }
    service.waitForFiles();
    state.counters["longest_ms"] = longestMs;
    g_uiBlockMs[busy] =
        totalMs / static_cast<double>(std::max<benchmark::IterationCount>(1, state.iterations()));
}
BENCHMARK(BM_UsageSaveUiBlock)
    ->ArgsProduct({{100000}, {0, 1}})
    ->ArgNames({"sessions", "busy"})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// What the application does from launch to the first stop.
void BM_UsageWholeSequence(benchmark::State &state)
{
    const UsageFixture fixture(static_cast<int>(state.range(0)));
    const DevProject &project = fixture.projects.first();
    for (auto _ : state) {
        state.PauseTiming();
        fixture.reset();
        state.ResumeTiming();
        UsageTrackingService service(fixture.home.path(), fixture.clock);
        service.waitForFiles();
        benchmark::DoNotOptimize(service.summaries(fixture.projects));
        const Timestamp now = fixture.clock.now();
        service.start(project, ProjectUsageSessionSource::playButton, now.addSeconds(-60));
        benchmark::DoNotOptimize(service.stop(project.id, now));
        service.waitForFiles();
    }
}
BENCHMARK(BM_UsageWholeSequence)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_ReferenceJsonParseAndWrite(benchmark::State &state)
{
    const UsageFixture fixture(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        const QJsonDocument document = QJsonDocument::fromJson(fixture.bytes);
        benchmark::DoNotOptimize(document.toJson());
    }
}
BENCHMARK(BM_ReferenceJsonParseAndWrite)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    bench::pinTimeZone();
    // The service hands results back through the event queue, as in the app.
    QCoreApplication application(argc, argv);
    const int result = bench::runWithRatios(argc, argv, "BM_ReferenceJsonParseAndWrite/100000");
    // The mean stop at 100,000 sessions: the usual case, the previous save
    // done; and stops in a row, each while the worker still writes.
    std::printf("figure usage_save_ui_block_ms: %.2f ms\n", g_uiBlockMs[false]);
    std::printf("figure usage_save_ui_block_busy_ms: %.2f ms\n", g_uiBlockMs[true]);
    return result;
}
