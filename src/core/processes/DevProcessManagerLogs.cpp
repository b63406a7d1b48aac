#include "DevProcessManager.h"
#include "core/foundation/Clock.h"
#include "core/foundation/Text.h"

#include <QRandomGenerator>

using namespace Qt::StringLiterals;

namespace devnook {

namespace {

// The pieces between line breaks of every kind, empty ones left out.
QList<QStringView> nonEmptyLines(QStringView text)
{
    QList<QStringView> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && !Text::isLineBreak(text[i]))
            continue;
        if (i > start)
            lines.append(text.sliced(start, i - start));
        start = i + 1;
    }
    return lines;
}

// A random (version 4) identifier from the seeded generator: a flood of
// output makes lines by the thousand, and the system generator behind
// QUuid::createUuid costs a system call for each.
QUuid newLineID()
{
    quint32 words[4];
    QRandomGenerator::global()->fillRange(words);
    const auto byte = [&words](int index) {
        return static_cast<uchar>(words[2 + index / 4] >> (8 * (index % 4)));
    };
    return QUuid(words[0], static_cast<ushort>(words[1]),
                 static_cast<ushort>(((words[1] >> 16) & 0x0FFF) | 0x4000),
                 static_cast<uchar>((byte(0) & 0x3F) | 0x80), byte(1), byte(2), byte(3), byte(4), byte(5),
                 byte(6), byte(7));
}

} // namespace

void DevProcessManager::appendLog(const QString &text, const QUuid &projectID, bool isError,
                                  const std::optional<QUuid> &serviceID,
                                  const std::optional<QString> &serviceName)
{
    QList<QStringView> kept = nonEmptyLines(text);
    kept.removeIf([](QStringView line) { return line.trimmed().isEmpty(); });
    if (kept.isEmpty())
        return;

    QList<DevProcessLogLine> &log = m_logs[projectID];
    // Lines beyond the cap would be dropped again at once.
    const qsizetype first = std::max<qsizetype>(0, kept.size() - kMaxLogLines);
    for (qsizetype i = first; i < kept.size(); ++i)
        log.append(DevProcessLogLine{newLineID(), m_clock.now(), kept[i].toString(), isError, serviceID,
                                     serviceName});
    if (log.size() > kMaxLogLines)
        log.remove(0, log.size() - kMaxLogLines);
    Q_EMIT logsDidChange(projectID, log);
}

void DevProcessManager::appendServiceLog(const QString &text, const ProjectService &service,
                                         const QUuid &projectID, bool isError)
{
    const QString name = service.displayName();
    const QString prefix = u'[' + name + u"] "_s;
    const QList<QStringView> lines = nonEmptyLines(text);
    // The prefix keeps every piece from being blank, so only the newest
    // pieces can reach the log.
    const qsizetype first = std::max<qsizetype>(0, lines.size() - kMaxLogLines);
    QString prefixed;
    for (qsizetype i = first; i < lines.size(); ++i) {
        if (i > first)
            prefixed += u'\n';
        prefixed += prefix;
        prefixed += lines[i];
    }
    appendLog(prefixed, projectID, isError, service.id, name);
}

void DevProcessManager::clearLogs(const QUuid &projectID)
{
    m_logs.insert(projectID, {});
    Q_EMIT logsDidChange(projectID, {});
}

QList<DevProcessLogLine> DevProcessManager::logs(const QUuid &projectID) const
{
    return m_logs.value(projectID);
}

} // namespace devnook
