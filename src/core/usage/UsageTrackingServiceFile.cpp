// The session file and the checkpoint: what is handed to the worker, and what
// comes back.
#include "UsageTrackingService.h"
#include "core/foundation/Clock.h"
#include "core/foundation/L10n.h"

#include <QLoggingCategory>
#include <utility>

using namespace Qt::StringLiterals;

namespace devnook {

namespace {

Q_LOGGING_CATEGORY(lcUsage, "devnook.usage")

// Adds where a damaged file was copied to what was told of it.
void tellKeptAside(QString &told, const QString &asidePath)
{
    if (asidePath.isEmpty())
        return;
    if (!told.isEmpty())
        told += u'\n';
    told += L10n::format(u"usage_history_kept_aside"_s, {asidePath});
}

} // namespace

UsageTrackingService::UsageTrackingService(QString dataHome, const Clock &clock,
                                           std::chrono::milliseconds checkpointInterval, Reading reading,
                                           QObject *parent)
    : QObject(parent), m_dataHome(std::move(dataHome)), m_clock(clock),
      m_files(sessionsFilePath(), checkpointFilePath(), *this)
{
    m_checkpointTimer.setObjectName(u"usageCheckpointTimer"_s);
    m_checkpointTimer.setInterval(checkpointInterval);
    connect(&m_checkpointTimer, &QTimer::timeout, this, &UsageTrackingService::writeCheckpoint);
    m_saveTimer.setObjectName(u"usageSaveTimer"_s);
    m_saveTimer.setSingleShot(true);
    connect(&m_saveTimer, &QTimer::timeout, this, &UsageTrackingService::handOverSave);
    m_files.setOnWritten([this](const UsageWriteOutcome &outcome) { written(outcome); });
    if (reading == Reading::now)
        startReading();
}

void UsageTrackingService::startReading()
{
    if (std::exchange(m_readingStarted, true))
        return;
    m_files.load(m_clock.now(), UsageCalendar::current(),
                 [this](const UsageLoadOutcome &outcome) { loaded(outcome); });
}

UsageTrackingService::~UsageTrackingService()
{
    // The worker writes it before it is destroyed.
    handOverSave();
}

QString UsageTrackingService::sessionsFilePath() const
{
    return m_dataHome + u"/Devnook/usage_sessions.json"_s;
}

QString UsageTrackingService::checkpointFilePath() const
{
    return m_dataHome + u"/Devnook/usage_checkpoint.json"_s;
}

void UsageTrackingService::waitForFiles()
{
    // What was recorded can only be saved over the history once it is read.
    startReading();
    do {
        handOverSave();
        m_files.waitForIdle();
    } while (m_saveDue && m_loaded);
}

QString UsageTrackingService::fileProblem() const
{
    QStringList parts;
    for (const QString &problem : {m_historyWriteProblem, m_checkpointWriteProblem, m_historyReadProblem,
                                   m_checkpointReadProblem, m_asideProblem, m_checkpointAsideProblem}) {
        if (!problem.isEmpty())
            parts.append(problem);
    }
    if (m_sessionNotesDismissed)
        return parts.join(u'\n');
    if (!m_uncountedSessions.isEmpty())
        parts.append(L10n::plural(u"usage_sessions_uncounted"_s, m_uncountedSessions.size()));
    if (!m_sessionsKeptAsStored.isEmpty())
        parts.append(L10n::plural(u"usage_sessions_unknown_source"_s, m_sessionsKeptAsStored.size()));
    return parts.join(u'\n');
}

void UsageTrackingService::dismissFileProblem()
{
    m_historyWriteProblem.clear();
    m_checkpointWriteProblem.clear();
    m_historyReadProblem.clear();
    m_checkpointReadProblem.clear();
    m_asideProblem.clear();
    m_checkpointAsideProblem.clear();
    m_sessionNotesDismissed = true;
    reportFileProblem();
}

void UsageTrackingService::reportFileProblem()
{
    const QString problem = fileProblem();
    if (problem == m_reportedProblem)
        return;
    m_reportedProblem = problem;
    if (!problem.isEmpty())
        qCWarning(lcUsage).noquote() << problem;
    Q_EMIT fileProblemChanged();
}

void UsageTrackingService::loaded(const UsageLoadOutcome &outcome)
{
    // Sessions recorded while the files were read follow the stored ones.
    const QList<ProjectUsageSession> recordedMeanwhile = std::exchange(m_completedSessions, outcome.counted);
    const QList<ProjectUsageSession> uncountedMeanwhile =
        std::exchange(m_uncountedSessions, outcome.uncounted);
    m_sessionsKeptAsStored = outcome.keptAsStored + outcome.recoveredAsStored;
    // A project cleared meanwhile loses what the files held of it; what was
    // recorded meanwhile came after the clear, or went with it.
    const QSet<QUuid> cleared = std::exchange(m_clearedBeforeLoading, {});
    if (!cleared.isEmpty())
        removeSessionsOf(cleared);
    for (const ProjectUsageSession &session : outcome.recovered) {
        if (!cleared.contains(session.projectID))
            record(session);
    }
    m_completedSessions.append(recordedMeanwhile);
    m_uncountedSessions.append(uncountedMeanwhile);
    findEarliestStart();

    QStringList history;
    if (!outcome.readError.isEmpty())
        history.append(L10n::format(u"usage_history_unreadable"_s, {outcome.readError}));
    if (!outcome.unreadable.isEmpty())
        history.append(
            outcome.unreadable.told(u"usage_sessions_unreadable"_s, u"usage_sessions_unreadable_more"_s));
    m_historyReadProblem = history.join(u'\n');
    tellKeptAside(m_historyReadProblem, outcome.asidePath);
    QStringList checkpoint;
    if (!outcome.checkpointError.isEmpty())
        checkpoint.append(L10n::format(u"running_usage_unreadable"_s, {outcome.checkpointError}));
    if (outcome.checkpointUnreadable.count > 0)
        checkpoint.append(
            L10n::format(u"running_usage_unreadable"_s,
                         {outcome.checkpointUnreadable.told(u"running_usage_sessions_unreadable"_s,
                                                            u"usage_sessions_unreadable_more"_s)}));
    m_checkpointReadProblem = checkpoint.join(u'\n');
    tellKeptAside(m_checkpointReadProblem, outcome.checkpointAsidePath);
    if (!outcome.asideError.isEmpty())
        m_asideProblem = L10n::format(u"usage_history_not_kept_aside"_s, {outcome.asideError});
    if (!outcome.checkpointAsideError.isEmpty())
        m_checkpointAsideProblem =
            L10n::format(u"running_usage_not_kept_aside"_s, {outcome.checkpointAsideError});
    m_loaded = true;
    Q_EMIT sessionsLoaded();
    reportFileProblem();
    if (m_saveDue || !outcome.recovered.isEmpty() || !outcome.recoveredAsStored.isEmpty()) {
        m_saveDue = true;
        handOverSave();
    } else {
        writeCheckpoint();
    }
}

void UsageTrackingService::written(const UsageWriteOutcome &outcome)
{
    // Each file's failure stands until that file is written: a checkpoint
    // written says nothing about a history that failed, nor the reverse.
    if (const auto &error = outcome.historyError) {
        m_historyWriteProblem =
            error->isEmpty() ? QString() : L10n::format(u"could_not_save_usage"_s, {*error});
        // A history written means the damaged file was copied aside at
        // last, or is gone; a copy made at last is told where the reading
        // tells one, even when the write after it failed.
        if (error->isEmpty() || !outcome.historyAsidePath.isEmpty())
            m_asideProblem.clear();
        tellKeptAside(m_historyReadProblem, outcome.historyAsidePath);
    }
    if (const auto &error = outcome.checkpointError) {
        m_checkpointWriteProblem =
            error->isEmpty() ? QString() : L10n::format(u"could_not_save_running_usage"_s, {*error});
        // So does a checkpoint written or removed.
        if (error->isEmpty() || !outcome.checkpointAsidePath.isEmpty())
            m_checkpointAsideProblem.clear();
        tellKeptAside(m_checkpointReadProblem, outcome.checkpointAsidePath);
    }
    reportFileProblem();
}

void UsageTrackingService::saveSessions()
{
    m_saveDue = true;
    // The file must be read before it is replaced; the first save after the
    // reading writes what was recorded until then.
    if (m_loaded)
        m_saveTimer.start();
}

void UsageTrackingService::handOverSave()
{
    if (!m_saveDue || !m_loaded)
        return;
    m_saveTimer.stop();
    m_saveDue = false;
    const Timestamp now = m_clock.now();
    m_files.write(UsageFileJob{UsageHistory{m_completedSessions, m_uncountedSessions, m_sessionsKeptAsStored},
                               runningStretches(now), now});
}

void UsageTrackingService::writeCheckpoint()
{
    if (!m_loaded)
        return;
    const Timestamp now = m_clock.now();
    m_files.write(UsageFileJob{std::nullopt, runningStretches(now), now});
}

QList<ProjectUsageSession> UsageTrackingService::runningStretches(Timestamp now) const
{
    QList<ProjectUsageSession> stretches;
    for (const ActiveSession &session : m_activeSessions) {
        if (!session.pausedAt)
            stretches.append(stretchOf(session, now));
    }
    return stretches;
}

void UsageTrackingService::updateCheckpointTimer()
{
    const bool running = std::any_of(m_activeSessions.cbegin(), m_activeSessions.cend(),
                                     [](const ActiveSession &session) { return !session.pausedAt; });
    if (!running)
        m_checkpointTimer.stop();
    else if (!m_checkpointTimer.isActive())
        m_checkpointTimer.start();
}

} // namespace devnook
