// Load and save of a catalogue of 2,000 projects, the largest a user is
// expected to keep. Reference: encoding and parsing the same JSON bytes alone,
// so the ratio shows what decoding into records and writing atomically add.
#include "RatioReporter.h"
#include "core/foundation/Clock.h"
#include "core/projects/JSONProjectPersistence.h"
#include "core/projects/ProjectCoding.h"

#include <QJsonDocument>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace Qt::StringLiterals;
using namespace devnook;

namespace {

QList<DevProject> makeProjects(int count)
{
    QList<DevProject> projects;
    for (int i = 0; i < count; ++i) {
        DevProject project;
        project.id = QUuid::createUuid();
        project.name = u"Project %1"_s.arg(i);
        project.client = u"Client %1"_s.arg(i % 40);
        project.folderPath = u"/home/dev/projects/project-%1"_s.arg(i);
        project.localhostURL = u"localhost:%1"_s.arg(3000 + i % 100);
        project.services = {
            ProjectService{QUuid::createUuid(), u"web"_s, u"npm run dev"_s, project.localhostURL},
            ProjectService{QUuid::createUuid(), u"api"_s, u"npm run api"_s, u"localhost:8080"_s}};
        project.workspaceLinks = {ProjectLink{
            QUuid::createUuid(), WorkspaceLinkKind::github, {}, u"https://example.org/repo"_s, true}};
        project.notes = u"Some notes about the project"_s;
        project.lastUsedAt = Timestamp::fromSecondsSinceReference(780000000.0 + i);
        projects.append(project);
    }
    return projects;
}

void BM_CatalogueSaveAndLoad(benchmark::State &state)
{
    QTemporaryDir dir;
    SystemClock clock;
    JSONProjectPersistence persistence(dir.path(), clock);
    const QList<DevProject> projects = makeProjects(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        if (!persistence.saveProjects(projects))
            state.SkipWithError("save failed");
        auto loaded = persistence.loadProjects();
        benchmark::DoNotOptimize(loaded);
    }
}
BENCHMARK(BM_CatalogueSaveAndLoad)->Arg(2000)->Unit(benchmark::kMillisecond);

void BM_ReferenceJsonRoundTrip(benchmark::State &state)
{
    const QByteArray bytes = ProjectCoding::encodeCatalogue(makeProjects(static_cast<int>(state.range(0))));
    for (auto _ : state) {
        const QJsonDocument document = QJsonDocument::fromJson(bytes);
        benchmark::DoNotOptimize(document.toJson());
    }
}
BENCHMARK(BM_ReferenceJsonRoundTrip)->Arg(2000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    return devnook::bench::runWithRatios(argc, argv, "BM_ReferenceJsonRoundTrip/2000");
}
