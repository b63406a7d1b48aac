// The usage windows over two years of sessions (100,000 of them) for 200
// projects, on the period "all", the one with every session in it: the time
// from asking for the overview to its first paint, from choosing the period
// to the repainted overview, and from asking for the usage window of a
// project holding 20,000 of the sessions to its first paint, the overview
// closed. Each is measured
// with nothing running, then again (suffix "_running") while that project
// runs, as when a developer keeps a usage window open while working.
// Reference: one plain pass summing the tracked time of every session, the
// least any figure of the windows must do.
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
#include <string>

using namespace Qt::StringLiterals;
using namespace devnook;

namespace {

constexpr int kSessions = 100000;
// Every fifth session is the first project's: 20,000 of them.
constexpr int kFirstProjectShare = 5;
constexpr int kRuns = 7;

// The data folder: the catalogue of 200 projects and the session file.
void writeData(const QString &dataHome, const QList<DevProject> &projects, const SystemClock &clock)
{
    JSONProjectPersistence persistence(dataHome, clock);
    if (!persistence.saveProjects(projects).isOk())
        qFatal("the catalogue could not be written");
    QDir().mkpath(dataHome + u"/Devnook"_s);
    QFile file(dataHome + u"/Devnook/usage_sessions.json"_s);
    const QList<ProjectUsageSession> sessions =
        bench::makeUsageSessions(projects, kSessions, kFirstProjectShare);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(UsageSessionCoding::encodeSessions(sessions).value()) < 0)
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

void closeWindow(QWidget *window)
{
    if (window) {
        window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

double elapsedMs(const QElapsedTimer &timer)
{
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

// The median of the runs, with the fastest and the slowest beside it: the
// machine is shared, so the spread says how far one figure can be trusted.
struct Runs {
    QList<double> values;

    double median() const
    {
        QList<double> sorted = values;
        std::sort(sorted.begin(), sorted.end());
        return sorted.at(sorted.size() / 2);
    }
    void print(const std::string &name, const char *unit) const
    {
        std::printf("figure %s: %.1f %s\n", name.c_str(), median(), unit);
        std::printf("  (%s over %lld runs: %.1f to %.1f)\n", name.c_str(),
                    static_cast<long long>(values.size()), *std::min_element(values.cbegin(), values.cend()),
                    *std::max_element(values.cbegin(), values.cend()));
    }
};

// Every figure of one case, printed with the suffix.
void measure(StoreParts &parts, const DevProject &heavy, const std::string &suffix)
{
    Runs firstPaint, periodChange, projectFirstPaint, queries, onePass, ratio;
    double sink = 0.0;
    for (int run = 0; run < kRuns; ++run) {
        closeWindow(parts.overview.window());
        QElapsedTimer timer;
        timer.start();
        parts.overview.show();
        firstPaint.values.append(msUntilPainted(parts.overview.window(), timer));

        auto *view =
            qobject_cast<UsageOverviewView *>(parts.overview.window()->layout()->itemAt(0)->widget());
        view->setDateFilter(UsageDateFilterOption::year);
        QCoreApplication::processEvents();
        timer.restart();
        view->setDateFilter(UsageDateFilterOption::all);
        periodChange.values.append(msUntilPainted(parts.overview.window(), timer));

        // The project's window on its own: with the overview open, the
        // overview also draws its figures again when the window opens.
        closeWindow(parts.overview.window());
        closeWindow(parts.projectWindows.window(heavy.id));
        timer.restart();
        parts.projectWindows.show(heavy);
        projectFirstPaint.values.append(msUntilPainted(parts.projectWindows.window(heavy.id), timer));

        // The store's query alone, as the overview asks it for "all".
        timer.restart();
        const UsageOverviewFigures figures = parts.store.usageOverviewFigures(
            UsageDateFilterOption::all, {}, UsageDistributionDimension::project,
            UsageDistributionDimension::project);
        sink += figures.totalDuration + static_cast<double>(figures.tableRows.size());
        queries.values.append(elapsedMs(timer));

        timer.restart();
        for (const ProjectUsageSession &session : parts.usage.completedSessions())
            sink += session.trackedDuration();
        onePass.values.append(elapsedMs(timer));
        // What the overview's figures cost against one plain pass; the
        // repaint around them is in the period change figure.
        ratio.values.append(queries.values.constLast() / onePass.values.constLast());
    }
    firstPaint.print("usage_overview_first_paint_ms" + suffix, "ms");
    periodChange.print("usage_overview_period_change_ms" + suffix, "ms");
    ratio.print("usage_overview_vs_one_pass" + suffix, "x");
    projectFirstPaint.print("usage_project_window_first_paint_ms" + suffix, "ms");
    queries.print("usage_overview_store_queries_ms" + suffix, "ms");
    onePass.print("usage_overview_one_pass_ms" + suffix, "ms");
    std::printf("(checksum %.0f)\n", sink);
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
    const DevProject &heavy = projects.first();
    UsageFilterPreferences::setFilter(parts.defaults, UsageDateFilterOption::all,
                                      UsageFilterPreferences::kOverviewFilterKey);
    UsageFilterPreferences::setFilter(parts.defaults, UsageDateFilterOption::all,
                                      UsageFilterPreferences::projectFilterKey(heavy.id));

    measure(parts, heavy, "");
    // Running for the last ten minutes.
    parts.usage.start(heavy, ProjectUsageSessionSource::playButton, parts.clock.now().addSeconds(-600));
    measure(parts, heavy, "_running");
    return 0;
}
