// The session file at 100,000 sessions, about eight years of heavy use: the
// load at start, the summaries of 200 project rows, and a stop, which rewrites
// the whole file. Reference: parsing and writing the same JSON bytes alone, so
// the ratios show what decoding, cutting at midnights and counting add.
#include "RatioReporter.h"
#include "UsageBenchData.h"
#include "core/foundation/Clock.h"
#include "core/usage/UsageSessionCoding.h"
#include "core/usage/UsageTrackingService.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

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
        const UsageTrackingService service(fixture.home.path(), fixture.clock);
        benchmark::DoNotOptimize(service.completedSessions().size());
    }
    state.counters["file_bytes"] = static_cast<double>(fixture.bytes.size());
}
BENCHMARK(BM_UsageLoad)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_UsageSummaries(benchmark::State &state)
{
    const UsageFixture fixture(static_cast<int>(state.range(0)));
    const UsageTrackingService service(fixture.home.path(), fixture.clock);
    for (auto _ : state)
        benchmark::DoNotOptimize(service.summaries(fixture.projects));
}
BENCHMARK(BM_UsageSummaries)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_UsageStopRewritesFile(benchmark::State &state)
{
    const UsageFixture fixture(static_cast<int>(state.range(0)));
    UsageTrackingService service(fixture.home.path(), fixture.clock);
    const DevProject &project = fixture.projects.first();
    for (auto _ : state) {
        const Timestamp now = fixture.clock.now();
        service.start(project, ProjectUsageSessionSource::playButton, now.addSeconds(-60));
        benchmark::DoNotOptimize(service.stop(project.id, now));
    }
    state.counters["file_bytes"] = static_cast<double>(QFileInfo(service.sessionsFilePath()).size());
}
BENCHMARK(BM_UsageStopRewritesFile)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

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
        benchmark::DoNotOptimize(service.summaries(fixture.projects));
        const Timestamp now = fixture.clock.now();
        service.start(project, ProjectUsageSessionSource::playButton, now.addSeconds(-60));
        benchmark::DoNotOptimize(service.stop(project.id, now));
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
    return bench::runWithRatios(argc, argv, "BM_ReferenceJsonParseAndWrite/100000");
}
