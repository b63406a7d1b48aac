// Every figure the usage overview shows for the period "all": the total, the
// highlights, the daily buckets, the slices by project, client and stack, and
// the table rows, over sessions of two years for 200 projects. Run at 10,000
// and 100,000 sessions to show the cost grows in line with the sessions.
// Reference: one plain pass summing the tracked time of every session, the
// least any of these figures must do.
#include "RatioReporter.h"
#include "UsageBenchData.h"
#include "core/foundation/Clock.h"
#include "core/usage/UsagePeriodTally.h"
#include "core/usage/UsageSessionCoding.h"
#include "core/usage/UsageTrackingService.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace devnook;

namespace {

struct StatisticsFixture {
    explicit StatisticsFixture(int sessionCount) : projects(bench::makeUsageProjects())
    {
        const QByteArray bytes =
            UsageSessionCoding::encodeSessions(bench::makeUsageSessions(projects, sessionCount)).value();
        QDir().mkpath(home.filePath(QStringLiteral("Devnook")));
        QFile file(home.filePath(QStringLiteral("Devnook/usage_sessions.json")));
        if (file.open(QIODevice::WriteOnly))
            file.write(bytes);
        file.close();
        service = std::make_unique<UsageTrackingService>(home.path(), clock);
        service->waitForFiles();
        // A project running now, as while the overview is open.
        service->start(projects.first(), ProjectUsageSessionSource::playButton, clock.now().addSeconds(-600));
    }

    QTemporaryDir home;
    SystemClock clock;
    QList<DevProject> projects;
    std::unique_ptr<UsageTrackingService> service;
};

void BM_OverviewForAllTime(benchmark::State &state)
{
    const StatisticsFixture fixture(static_cast<int>(state.range(0)));
    const UsageTrackingService &service = *fixture.service;
    for (auto _ : state) {
        const UsageCalendar calendar = UsageCalendar::current();
        const Timestamp now = fixture.clock.now();
        const PeriodRange range = service.periodRange(UsageRollupPeriod::all, calendar, now);
        // The table by client beside the donut by project: two groupings of one pass.
        benchmark::DoNotOptimize(service.overviewFigures(UsageDistributionDimension::project,
                                                         UsageDistributionDimension::client, fixture.projects,
                                                         range, calendar, now));
    }
    state.counters["sessions"] = static_cast<double>(service.completedSessions().size());
}
BENCHMARK(BM_OverviewForAllTime)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_ReferenceOnePass(benchmark::State &state)
{
    const StatisticsFixture fixture(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        double total = 0.0;
        for (const ProjectUsageSession &session : fixture.service->completedSessions())
            total += session.trackedDuration();
        benchmark::DoNotOptimize(total);
    }
}
BENCHMARK(BM_ReferenceOnePass)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    bench::pinTimeZone();
    // The service reads its file on a worker and hands it back through the event queue.
    QCoreApplication application(argc, argv);
    return bench::runWithRatios(argc, argv, "BM_ReferenceOnePass/100000");
}
