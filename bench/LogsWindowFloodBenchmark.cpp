// A dev server flooding its output (the process manager's flood: 200,000
// lines printed as fast as a child can) with the project's logs window open
// and following the tail. Measures the main event loop's longest stall and
// the worst time from a line's arrival in the store to its being painted in
// the list. Reference: the same flood through the store with no window open.
#include "BenchStore.h"
#include "core/store/ProjectStore.h"
#include "ui/kit/ThemeApplier.h"
#include "ui/logs/ProjectLogListView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTimer>
#include <algorithm>
#include <cstdio>

using namespace Qt::StringLiterals;
using namespace devnook;

namespace {

constexpr int kLines = 200000;
constexpr int kRuns = 3;

QString printedLine(int number)
{
    return u"[vite] GET /src/components/Widget%1.tsx 200 in 3ms"_s.arg(number, 6, 10, QChar(u'0'));
}

// Times each report of the store and each paint of the list: a report is on
// screen once the list paints one of its lines, or a newer one, at its
// bottom edge (or its last line, when the lines do not reach the bottom).
class LatencyProbe final : public QObject {
public:
    LatencyProbe(ProjectStore &store, const QUuid &projectID) : m_store(store), m_projectID(projectID)
    {
        m_clock.start();
        connect(&m_store, &ProjectStore::logsChanged, this, &LatencyProbe::reported);
    }

    void watch(ProjectLogListView *list)
    {
        m_list = list;
        list->viewport()->installEventFilter(this);
    }

    // The worst wait of any report, counting those never shown until now.
    double worstMs() const
    {
        double worst = m_worstNs;
        if (m_firstUnshown < m_arrivals.size())
            worst = std::max(worst, double(m_clock.nsecsElapsed() - m_arrivals.at(m_firstUnshown)));
        return worst / 1e6;
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && m_list && watched == m_list->viewport())
            painted();
        return false;
    }

private:
    void reported(const QUuid &projectID)
    {
        if (projectID != m_projectID)
            return;
        const QList<DevProcessLogLine> &lines = m_store.processLogs().value(projectID);
        const qsizetype report = m_arrivals.size();
        m_arrivals.append(m_clock.nsecsElapsed());
        for (qsizetype i = lines.size() - 1; i >= 0 && !m_reportOf.contains(lines.at(i).id); --i)
            m_reportOf.insert(lines.at(i).id, report);
    }

    void painted()
    {
        const QUuid newest = m_list->lineIDAt(QPoint(1, m_list->viewport()->height() - 2));
        if (newest.isNull())
            return;
        const auto found = m_reportOf.constFind(newest);
        if (found == m_reportOf.cend())
            return;
        const qint64 now = m_clock.nsecsElapsed();
        for (; m_firstUnshown <= *found; ++m_firstUnshown)
            m_worstNs = std::max(m_worstNs, double(now - m_arrivals.at(m_firstUnshown)));
    }

    ProjectStore &m_store;
    QUuid m_projectID;
    QElapsedTimer m_clock;
    QPointer<ProjectLogListView> m_list;
    QList<qint64> m_arrivals;
    QHash<QUuid, qsizetype> m_reportOf;
    qsizetype m_firstUnshown = 0;
    double m_worstNs = 0;
};

struct FloodRun {
    double longestStallMs = 0;
    double worstLatencyMs = 0;
    bool lastLineShown = false;
};

FloodRun flood(const QString &outputFile, bool withWindow)
{
    QTemporaryDir data;
    DevProject project;
    project.id = QUuid::createUuid();
    project.name = u"Flood"_s;
    project.folderPath = data.path();
    project.services = {ProjectService{QUuid::createUuid(), u"web"_s, u"cat '"_s + outputFile + u"'"_s, {}}};
    {
        SystemClock clock;
        if (!JSONProjectPersistence(data.path(), clock).saveProjects({project}).isOk())
            qFatal("the catalogue could not be written");
    }
    bench::BenchStore parts(data.path());
    ThemeApplier theme(parts.settings);

    LatencyProbe probe(parts.store, project.id);
    ProjectLogListView *list = nullptr;
    if (withWindow) {
        parts.logsWindows.show(project);
        list = parts.logsWindows.window(project.id)->findChild<ProjectLogListView *>(u"logList"_s);
        probe.watch(list);
    }

    QEventLoop loop;
    QObject::connect(&parts.store, &ProjectStore::processStateChanged, &loop, [&](const QUuid &) {
        const DevProcessState state = parts.store.processStates().value(project.id);
        if (state == DevProcessState::stopped || state == DevProcessState::failed)
            QTimer::singleShot(300, &loop, &QEventLoop::quit); // the last paints
    });
    QElapsedTimer sinceTick;
    double longestStallMs = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, &loop, [&] {
        longestStallMs = std::max(longestStallMs, sinceTick.nsecsElapsed() / 1e6);
        sinceTick.restart();
    });
    QTimer::singleShot(200, &loop, [&] {
        sinceTick.start();
        ticker.start();
        parts.store.toggleDevProcess(project);
    });
    loop.exec();

    FloodRun run{longestStallMs, probe.worstMs(), false};
    if (list) {
        // The process's own last line, before the lines about its exit.
        const QString last = u"[web] "_s + printedLine(kLines);
        for (QTextBlock block = list->document()->lastBlock(); block.isValid() && !run.lastLineShown;
             block = block.previous())
            run.lastLineShown = block.text() == last;
    }
    return run;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QApplication::setStyle(QStyleFactory::create(u"Fusion"_s));
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

    double stall = 0;
    double latency = 0;
    double referenceStall = 0;
    bool complete = true;
    for (int run = 0; run < kRuns; ++run) {
        const FloodRun windowRun = flood(outputFile, true);
        stall = std::max(stall, windowRun.longestStallMs);
        latency = std::max(latency, windowRun.worstLatencyMs);
        complete = complete && windowRun.lastLineShown;
        referenceStall = std::max(referenceStall, flood(outputFile, false).longestStallMs);
    }

    std::printf("logs window flood: %d lines, worst of %d runs, following the tail\n", kLines, kRuns);
    std::printf("figure logs_flood_stall_ms: %.1f ms\n", stall);
    std::printf("figure logs_newest_line_latency_ms: %.1f ms\n", latency);
    std::printf("  reference, no window open: longest stall %.1f ms\n", referenceStall);
    std::printf("  ratio stall with window / without: %.2f\n",
                referenceStall > 0 ? stall / referenceStall : 0.0);
    std::printf("  last printed line in the list: %s\n", complete ? "yes" : "NO");
    return complete ? 0 : 1;
}
