#pragma once

#include "core/processes/DevProcessLogLine.h"

#include <QList>
#include <QString>
#include <QUuid>
#include <optional>

namespace devnook {

// The kinds of line the logs window can narrow to.
enum class ProcessLogFilter {
    all,
    output, // lines that are not errors
    errors,
};

// Which of a project's log lines are shown: a kind, one service or all, and
// a search text. The default filter passes every line.
struct LogLineFilter {
    ProcessLogFilter kind = ProcessLogFilter::all;
    // Only this service's lines; project-level lines then fail.
    std::optional<QUuid> serviceID;
    // Matched case-insensitively against the text, trimmed first; a blank
    // search passes every line.
    QString search;

    // True when the line passes the kind, the service and the search.
    bool passes(const DevProcessLogLine &line) const;

    bool operator==(const LogLineFilter &) const = default;
};

namespace LogLines {

// The time of capture in the local time zone, 24-hour with seconds
// ("09:05:07").
QString timeText(Timestamp date);

// One "[HH:mm:ss] text" line per log line, joined by "\n" without a final
// newline; empty for no lines.
QString copyText(const QList<DevProcessLogLine> &lines);

} // namespace LogLines

} // namespace devnook
