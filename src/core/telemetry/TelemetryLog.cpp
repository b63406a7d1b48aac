#include "TelemetryLog.h"

#include <QLoggingCategory>
#include <cstdio>

using namespace Qt::StringLiterals;

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

void writeToStandardOutput(LogHandler::LogLevel level, const QString &message)
{
    const QByteArray line =
        (u"[Telemetry: "_s + LogHandler::description(level) + u"] "_s + message + u'\n').toUtf8();
    // One call per line, so lines from several threads do not interleave.
    std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
    std::fflush(stdout);
}

} // namespace

LogHandler LogHandler::standard(LogLevel level)
{
    return {level, writeToSystemLog};
}

LogHandler LogHandler::standardOutput(LogLevel level)
{
    return {level, writeToStandardOutput};
}

QString LogHandler::description(LogLevel level)
{
    switch (level) {
    case LogLevel::debug:
        return u"DEBUG"_s;
    case LogLevel::info:
        return u"INFO"_s;
    case LogLevel::error:
        return u"ERROR"_s;
    }
    return QString();
}

std::optional<LogHandler::LogLevel> LogHandler::levelFromRawValue(int rawValue)
{
    if (rawValue < int(LogLevel::debug) || rawValue > int(LogLevel::error))
        return std::nullopt;
    return LogLevel(rawValue);
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
