#include "TelemetryLog.h"

#include <QLoggingCategory>

namespace devnook {

namespace {

Q_LOGGING_CATEGORY(lcTelemetry, "Telemetry.LogHandler")

void writeToSystemLog(LogHandler::LogLevel level, const QString &message)
{
    switch (level) {
    case LogHandler::LogLevel::debug:
        qCDebug(lcTelemetry, "%s", qUtf8Printable(message));
        break;
    case LogHandler::LogLevel::info:
        qCInfo(lcTelemetry, "%s", qUtf8Printable(message));
        break;
    case LogHandler::LogLevel::error:
        qCCritical(lcTelemetry, "%s", qUtf8Printable(message));
        break;
    }
}

} // namespace

LogHandler LogHandler::standard(LogLevel level)
{
    return {level, writeToSystemLog};
}

void LogHandler::log(LogLevel level, const QString &message) const
{
    if (handler && int(level) >= int(logLevel))
        handler(level, message);
}

void telemetryLog(const std::optional<LogHandler> &handler, LogHandler::LogLevel level,
                  const QString &message)
{
    if (handler)
        handler->log(level, message);
}

} // namespace devnook
