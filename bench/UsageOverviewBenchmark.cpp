// The usage overview window over two years of sessions (100,000 of them) for
// 200 projects, on the period "all", the one with every session in it:
// the time from asking for the window to its first paint, and from choosing
// the period to the repainted window. Reference: one plain pass summing the
// tracked time of every session, the least any figure of the window must do.
#include "BenchStore.h"
#include "UsageBenchData.h"
#include "core/store/ProjectStore.h"
#include "core/usage/UsageFilterPreferences.h"
#include "core/usage/UsageSessionCoding.h"
#include "ui/usage/ProjectUsageWindowController.h"
#include "ui/usage/UsageOverviewView.h"
#include "ui/usage/UsageOverviewWindowController.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLayout>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>

using namespace Qt::StringLiterals;
using namespace devnook;

namespace {

constexpr int kSessions = 100000;
constexpr int kRuns = 5;

// The data folder: the catalogue of 200 projects and the session file.
void writeData(const QString &dataHome, const QList<DevProject> &projects, const SystemClock &clock)
{
    JSONProjectPersistence persistence(dataHome, clock);
    if (!persistence.saveProjects(projects).isOk())
        qFatal("the catalogue could not be written");
    QDir().mkpath(dataHome + u"/Devnook"_s);
    QFile file(dataHome + u"/Devnook/usage_sessions.json"_s);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(
            UsageSessionCoding::encodeSessions(bench::makeUsageSessions(projects, kSessions)).value()) < 0)
        qFatal("the session file could not be written");
}

// The store with the real usage windows over it.
struct StoreParts : bench::BenchStore {
    using BenchStore::BenchStore;

    WindowModalUsageAlertAsker alerts;
    DialogUsageExportFileChooser files;
    ProjectUsageWindowController projectWindows{{store, usage, defaults, clock, alerts, files}};
    UsageOverviewWindowController overview{{store, usage, defaults, clock, alerts, files}, projectWindows};
};

// Runs the event loop until the window has painted; the time since the timer
// started, in milliseconds.
double msUntilPainted(QWidget *window, const QElapsedTimer &timer)
{
    struct PaintWatch final : QObject {
        QWidget *window = nullptr;
        QEventLoop loop;
        bool eventFilter(QObject *watched, QEvent *event) override
        {
            auto *widget = qobject_cast<QWidget *>(watched);
            // Quit once the whole window has been painted and flushed.
            if (event->type() == QEvent::Paint && widget && widget->window() == window)
                QTimer::singleShot(0, &loop, &QEventLoop::quit);
            return false;
        }
    } watch;
    watch.window = window;
    qApp->installEventFilter(&watch);
    window->update();
    watch.loop.exec();
    qApp->removeEventFilter(&watch);
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    bench::pinTimeZone();
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(u"Fusion"_s));
    QTemporaryDir home;
    const QList<DevProject> projects = bench::makeUsageProjects();
    writeData(home.path(), projects, SystemClock());
    StoreParts parts(home.path());
    // The file is read on a worker; every figure below is over its sessions.
    parts.usage.waitForFiles();
    if (parts.usage.completedSessions().size() < kSessions)
        qFatal("the session file was not read");
    QCoreApplication::processEvents();
    UsageFilterPreferences::setFilter(parts.defaults, UsageDateFilterOption::all,
                                      UsageFilterPreferences::kOverviewFilterKey);

    QList<double> firstPaint;
    QList<double> periodChange;
    for (int run = 0; run < kRuns; ++run) {
        if (QWidget *open = parts.overview.window()) {
            open->close();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
        QElapsedTimer timer;
        timer.start();
        parts.overview.show();
        firstPaint.append(msUntilPainted(parts.overview.window(), timer));

        auto *view =
            qobject_cast<UsageOverviewView *>(parts.overview.window()->layout()->itemAt(0)->widget());
        view->setDateFilter(UsageDateFilterOption::year);
        QCoreApplication::processEvents();
        timer.restart();
        view->setDateFilter(UsageDateFilterOption::all);
        periodChange.append(msUntilPainted(parts.overview.window(), timer));
    }

    // The store's query alone, as the window asks it for "all".
    QList<double> queries;
    QList<double> onePass;
    double sink = 0.0;
    const UsageDateRange noRange;
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer timer;
        timer.start();
        const UsageOverviewFigures figures = parts.store.usageOverviewFigures(
            UsageDateFilterOption::all, noRange, UsageDistributionDimension::project,
            UsageDistributionDimension::project);
        sink += figures.totalDuration + figures.highlights.daysWithActivity +
                static_cast<double>(figures.dailyBuckets.size() + figures.distributionSlices.size() +
                                    figures.tableRows.size());
        queries.append(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        timer.restart();
        for (const ProjectUsageSession &session : parts.usage.completedSessions())
            sink += session.trackedDuration();
        onePass.append(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }

    std::printf("figure usage_overview_first_paint_ms: %.1f ms\n", median(firstPaint));
    std::printf("figure usage_overview_period_change_ms: %.1f ms\n", median(periodChange));
    std::printf("figure usage_overview_store_queries_ms: %.1f ms\n", median(queries));
    std::printf("figure usage_overview_one_pass_ms: %.2f ms\n", median(onePass));
    std::printf("figure usage_overview_vs_one_pass: %.0f x\n", median(periodChange) / median(onePass));
    std::printf("(checksum %.0f)\n", sink);
    return 0;
}
