#pragma once

#include <QString>
#include <functional>
#include <optional>

namespace devnook {

// Where the telemetry client reports what it does. A message of a level below
// the handler's own is dropped.
struct LogHandler {
    enum class LogLevel { debug = 0, info = 1, error = 2 };
    using Sink = std::function<void(LogLevel, const QString &)>;

    LogLevel logLevel = LogLevel::info;
    // Callable from any thread.
    Sink handler;

    // A handler of the level writing to the system log (category
    // "Telemetry.LogHandler": journald or standard error).
    static LogHandler standard(LogLevel level);
    // A handler of the level printing "[Telemetry: INFO] message" lines on
    // standard output.
    static LogHandler standardOutput(LogLevel level);

    // "DEBUG", "INFO" or "ERROR".
    static QString description(LogLevel level);
    // The level of a raw value: 0 debug, 1 info, 2 error; none for any other.
    static std::optional<LogLevel> levelFromRawValue(int rawValue);

    // Passes the message on when its level is at least the handler's.
    void log(LogLevel level, const QString &message) const;
};

// Logs through the handler when there is one; no handler means silence.
void telemetryLog(const std::optional<LogHandler> &handler, LogHandler::LogLevel level,
                  const QString &message);

} // namespace devnook
