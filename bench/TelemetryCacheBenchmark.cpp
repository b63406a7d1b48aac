// The memory a full cache of unsent telemetry signals costs the application:
// its private dirty memory (/proc/PID/smaps_rollup) 15 s after start with
// 10,000 signals waiting in the cache file. Reference: the same application
// with no cache file, measured in the same run.
//
// The application must be built with an ingest URL that cannot be reached
// (-DDEVNOOK_TELEMETRY_BASE_URL=http://127.0.0.1:9), or it sets no telemetry
// client up and never reads the cache. It runs on the X display in DISPLAY
// (offscreen when there is none), so run the benchmark on a session bus:
// DISPLAY=:N dbus-run-session -- telemetry_cache_bench [application]
#include "AppHome.h"
#include "ProcessMemory.h"
#include "core/foundation/Clock.h"
#include "core/telemetry/DefaultSignalPayload.h"
#include "core/telemetry/SignalCache.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QUuid>
#include <algorithm>
#include <csignal>
#include <cstdio>

using namespace Qt::StringLiterals;
using namespace devnook;

namespace {

constexpr int kSignals = 10000;
constexpr int kRuns = 3;
constexpr unsigned long kMeasuredAfterMs = 15000;

// A laptop screen, as the application's own facts would give it.
class LaptopDisplay final : public DisplayFacts {
public:
    std::optional<Screen> mainScreen() const override { return Screen{900.0, 1440.0, 2.0}; }
    std::optional<Qt::LayoutDirection> layoutDirection() const override { return Qt::LeftToRight; }
    std::optional<ColorScheme> colorScheme() const override { return ColorScheme::dark; }
};

QString cacheFile(const QString &home)
{
    return home + u"/.cache/Devnook/telemetrysignalcache"_s;
}

// 10,000 signals as the application queues them: the default payload with
// the retention figures and an event's own parameters.
bool writeFullCache(const QString &home)
{
    SystemClock clock;
    const LaptopDisplay display;
    SignalCache cache(std::nullopt, kSignals, cacheFile(home), clock);
    TelemetryParameters payload = DefaultSignalPayload::parameters(
        SystemFacts::current(), display, clock.now(), QLocale(), QLocale::system().uiLanguages());
    payload.insert({{u"Telemetry.Acquisition.firstSessionDate"_s, u"2024-03-07"_s},
                    {u"Telemetry.Retention.averageSessionSeconds"_s, u"1234"_s},
                    {u"Telemetry.Retention.distinctDaysUsed"_s, u"42"_s},
                    {u"Telemetry.Retention.distinctDaysUsedLastMonth"_s, u"12"_s},
                    {u"Telemetry.Retention.totalSessionsCount"_s, u"57"_s},
                    {u"Telemetry.Retention.previousSessionSeconds"_s, u"321"_s},
                    {u"source"_s, u"workspace"_s},
                    {u"configured-service-count"_s, u"2"_s},
                    {u"has-local-url"_s, u"true"_s}});
    const QString session = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    for (int index = 0; index < kSignals; ++index)
        cache.push(SignalPostBody{clock.now().addSeconds(-index), u"6F2A9D41-C3B7-4E58-9A06-D17E5B3C82F4"_s,
                                  QString(64, u'a'), session, u"process-started"_s, std::nullopt, payload,
                                  false});
    return cache.backupCache().isOk();
}

struct Run {
    double privateDirtyMB = -1;
    // Signals in the cache file the application wrote when it quit.
    qsizetype savedSignals = -1;
};

Run runApplication(const QString &application, const QString &home)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!environment.contains(u"DISPLAY"_s))
        environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    bench::giveHome(environment, home);
    QProcess app;
    app.setProcessEnvironment(environment);
    app.setStandardOutputFile(QProcess::nullDevice());
    app.setStandardErrorFile(QProcess::nullDevice());
    app.start(application, {});
    Run run;
    if (!app.waitForStarted(10000))
        return run;
    QThread::msleep(kMeasuredAfterMs);
    if (app.state() != QProcess::Running)
        return run;
    run.privateDirtyMB = double(bench::privateDirtyKilobytes(app.processId())) / 1024.0;
    ::kill(pid_t(app.processId()), SIGTERM);
    if (!app.waitForFinished(30000))
        app.kill();
    QFile saved(cacheFile(home));
    if (saved.open(QIODevice::ReadOnly))
        run.savedSignals = QJsonDocument::fromJson(saved.readAll()).array().size();
    return run;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication benchmark(argc, argv);
    const QString application =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString::fromUtf8(DEVNOOK_APP_PATH);
    QTemporaryDir home;
    QList<double> empty;
    QList<double> full;
    for (int index = 0; index < kRuns; ++index) {
        QFile::remove(cacheFile(home.path()));
        empty.append(runApplication(application, home.path()).privateDirtyMB);
        if (!writeFullCache(home.path())) {
            std::fprintf(stderr, "could not write the cache file\n");
            return 1;
        }
        const Run run = runApplication(application, home.path());
        if (run.savedSignals < kSignals) {
            std::fprintf(stderr,
                         "the application kept %lld of %d signals: was it built with an unreachable "
                         "DEVNOOK_TELEMETRY_BASE_URL?\n",
                         static_cast<long long>(run.savedSignals), kSignals);
            return 1;
        }
        full.append(run.privateDirtyMB);
    }
    if (std::any_of(empty.begin(), empty.end(), [](double mb) { return mb < 0; }) ||
        std::any_of(full.begin(), full.end(), [](double mb) { return mb < 0; })) {
        std::fprintf(stderr, "a run failed\n");
        return 1;
    }
    const double emptyMB = median(empty);
    const double fullMB = median(full);
    std::printf("figure telemetry_cache_empty_private_dirty_mb: %.1f MB\n", emptyMB);
    std::printf("figure telemetry_cache_10000_private_dirty_mb: %.1f MB\n", fullMB);
    std::printf("figure telemetry_cache_10000_added_private_dirty_mb: %.1f MB\n", fullMB - emptyMB);
    std::printf("ratio telemetry_cache_10000 / telemetry_cache_empty = %.2f\n", fullMB / emptyMB);
    return 0;
}
