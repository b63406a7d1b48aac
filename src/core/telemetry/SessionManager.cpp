#include "SessionManager.h"

#include "ApplicationActivity.h"
#include "TelemetryCoding.h"
#include "core/foundation/Clock.h"
#include "core/foundation/KeyValueStore.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <chrono>

using namespace Qt::StringLiterals;

namespace devnook {

namespace {

const QString kRecentSessionsKey = u"recentSessions"_s;
const QString kDeletedSessionsCountKey = u"deletedSessionsCount"_s;
const QString kFirstSessionDateKey = u"firstSessionDate"_s;
const QString kDistinctDaysUsedKey = u"distinctDaysUsed"_s;
constexpr double kHistorySeconds = 90 * 86400.0;
constexpr double kLastMonthSeconds = 30 * 86400.0;
constexpr auto kDurationUpdateInterval = std::chrono::seconds(1);

} // namespace

SessionManager::SessionManager(const Clock &clock, KeyValueStore *customDefaults,
                               ApplicationActivity &activity, QObject *parent)
    : QObject(parent), m_clock(clock), m_defaults(customDefaults), m_durationTimer(this)
{
    m_durationTimer.setObjectName(u"telemetrySessionTimer"_s);
    m_durationTimer.setInterval(kDurationUpdateInterval);
    connect(&m_durationTimer, &QTimer::timeout, this, &SessionManager::updateSessionDuration);
    connect(&activity, &ApplicationActivity::resignedActive, this, &SessionManager::resignedActive);
    connect(&activity, &ApplicationActivity::becameActive, this, &SessionManager::becameActive);
    if (!m_defaults)
        return;

    const QJsonDocument stored = QJsonDocument::fromJson(m_defaults->value(kRecentSessionsKey).toByteArray());
    if (stored.isArray()) {
        const double cutoff = m_clock.now().addSeconds(-kHistorySeconds).secondsSinceReference();
        int dropped = 0;
        const QJsonArray entries = stored.array();
        for (const QJsonValue &entry : entries) {
            const QJsonObject session = entry.toObject();
            const Timestamp startedAt = Timestamp::fromSecondsSinceReference(
                session.value(u"st"_s).toDouble() - double(Timestamp::kUnixSecondsAtReference));
            if (startedAt.secondsSinceReference() > cutoff)
                m_recentSessions.append({startedAt, qint64(session.value(u"dn"_s).toDouble())});
            else
                ++dropped;
        }
        // The pruned history replaces the stored one now, so no dropped entry
        // is counted twice.
        m_defaults->setValue(kDeletedSessionsCountKey,
                             m_defaults->value(kDeletedSessionsCountKey).toInt() + dropped);
        storeSessions();
    }
    updateDistinctDaysUsed();
}

void SessionManager::startNewSession()
{
    stopSessionTimer();
    if (m_recentSessions.isEmpty()) {
        const QString today = TelemetryCoding::localISODate(m_clock.now());
        if (m_defaults)
            m_defaults->setValue(kFirstSessionDateKey, today);
        Q_EMIT newInstallDetected(today);
    }
    m_currentSessionStartedAt = m_clock.now();
    m_currentSessionDuration = 0.0;
    updateSessionDuration();
    m_durationTimer.start();
}

void SessionManager::updateSessionDuration()
{
    const Timestamp now = m_clock.now();
    if (m_lastUpdatedAt)
        m_currentSessionDuration += m_lastUpdatedAt->secondsTo(now);
    m_lastUpdatedAt = now;
    persistCurrentSessionIfNeeded();
}

void SessionManager::persistCurrentSessionIfNeeded()
{
    if (m_currentSessionDuration < 1.0 || !m_currentSessionStartedAt)
        return;
    const qint64 seconds = qint64(m_currentSessionDuration);
    auto current =
        std::find_if(m_recentSessions.rbegin(), m_recentSessions.rend(),
                     [this](const auto &session) { return session.startedAt == *m_currentSessionStartedAt; });
    if (current != m_recentSessions.rend())
        current->durationInSeconds = seconds;
    else
        m_recentSessions.append({*m_currentSessionStartedAt, seconds});
    storeSessions();
}

void SessionManager::storeSessions() const
{
    if (!m_defaults)
        return;
    QJsonArray entries;
    for (const StoredSession &session : m_recentSessions) {
        const double unixSeconds =
            session.startedAt.secondsSinceReference() + Timestamp::kUnixSecondsAtReference;
        entries.append(QJsonObject{{u"st"_s, qint64(unixSeconds)}, {u"dn"_s, session.durationInSeconds}});
    }
    m_defaults->setValue(kRecentSessionsKey, QJsonDocument(entries).toJson(QJsonDocument::Compact));
}

void SessionManager::stopSessionTimer()
{
    m_durationTimer.stop();
    m_lastUpdatedAt.reset();
}

void SessionManager::updateDistinctDaysUsed()
{
    const QString today = TelemetryCoding::localISODate(m_clock.now());
    QStringList days = m_defaults->value(kDistinctDaysUsedKey).toStringList();
    if (!days.isEmpty() && days.constLast() == today)
        return;
    days.append(today);
    m_defaults->setValue(kDistinctDaysUsedKey, days);
}

void SessionManager::resignedActive()
{
    // Inactive time never counts.
    updateSessionDuration();
    stopSessionTimer();
}

void SessionManager::becameActive()
{
    updateSessionDuration();
    m_durationTimer.start();
}

int SessionManager::averageSessionSeconds() const
{
    if (m_recentSessions.isEmpty())
        return -1;
    if (m_recentSessions.size() == 1)
        return int(m_recentSessions.first().durationInSeconds);
    qint64 total = 0;
    for (qsizetype index = 0; index + 1 < m_recentSessions.size(); ++index)
        total += m_recentSessions.at(index).durationInSeconds;
    return int(total / (m_recentSessions.size() - 1));
}

TelemetryParameters SessionManager::retentionParameters() const
{
    const Timestamp now = m_clock.now();
    const QString storedFirstDate = m_defaults ? m_defaults->stringValue(kFirstSessionDateKey) : QString();
    const QStringList days =
        m_defaults ? m_defaults->value(kDistinctDaysUsedKey).toStringList() : QStringList();
    const qint64 deleted = m_defaults ? m_defaults->value(kDeletedSessionsCountKey).toLongLong() : 0;
    TelemetryParameters parameters{
        {u"Telemetry.Acquisition.firstSessionDate"_s,
         storedFirstDate.isEmpty() ? TelemetryCoding::localISODate(now) : storedFirstDate},
        {u"Telemetry.Retention.averageSessionSeconds"_s, QString::number(averageSessionSeconds())},
        {u"Telemetry.Retention.distinctDaysUsed"_s, QString::number(days.size())},
        {u"Telemetry.Retention.distinctDaysUsedLastMonth"_s,
         QString::number(
             countISODatesOnOrAfter(days, TelemetryCoding::utcISODate(now.addSeconds(-kLastMonthSeconds))))},
        {u"Telemetry.Retention.totalSessionsCount"_s, QString::number(m_recentSessions.size() + deleted)},
    };
    if (m_recentSessions.size() >= 2)
        parameters.insert(
            u"Telemetry.Retention.previousSessionSeconds"_s,
            QString::number(m_recentSessions.at(m_recentSessions.size() - 2).durationInSeconds));
    return parameters;
}

int SessionManager::countISODatesOnOrAfter(const QStringList &dates, const QString &cutoffISODate)
{
    return int(std::count_if(dates.cbegin(), dates.cend(),
                             [&cutoffISODate](const QString &date) { return date >= cutoffISODate; }));
}

} // namespace devnook
