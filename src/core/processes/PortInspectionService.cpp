#include "PortInspectionService.h"

#include "ProcessTable.h"
#include "URLParts.h"
#include "core/foundation/Text.h"
#include "core/projects/URLNormalizationService.h"

#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QThread>
#include <csignal>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace devnook {

namespace {

// lsof and ps answer in well under a second; a tool that hangs (a stale
// network mount, say) must not freeze the interface for good.
constexpr int kToolTimeoutMs = 5000;
constexpr int kTerminateChecks = 20;
constexpr int kKillChecks = 11;
constexpr unsigned long kCheckIntervalMs = 100;

QString lsofPath()
{
    for (const QString &path : {u"/usr/bin/lsof"_s, u"/usr/sbin/lsof"_s}) {
        if (QFileInfo(path).isExecutable())
            return path;
    }
    return u"/usr/sbin/lsof"_s;
}

// A signed decimal number as lsof prints it, with an optional sign.
std::optional<qint32> parseProcessID(const QString &text)
{
    bool ok = false;
    const qint32 value = text.toInt(&ok, 10);
    return ok ? std::optional<qint32>(value) : std::nullopt;
}

bool isSignallable(qint32 pid)
{
    return pid > 0 && pid != ::getpid();
}

} // namespace

std::optional<int> PortInspectionService::tcpPort(const QString &urlText)
{
    const QString normalized = URLNormalizationService::normalized(urlText);
    if (normalized.isEmpty())
        return std::nullopt;
    const std::optional<URLParts> parts = URLParts::parse(normalized);
    if (!parts)
        return std::nullopt;
    if (const std::optional<int> port = parts->portNumber())
        return port;
    const QString scheme = parts->scheme.toLower();
    if (scheme == u"https")
        return 443;
    if (scheme == u"http")
        return 80;
    return std::nullopt;
}

bool PortInspectionService::shouldInspectConfiguredPort(const QString &command)
{
    static const QRegularExpression whitespace(u"\\s+"_s, QRegularExpression::UseUnicodePropertiesOption);
    const QStringList words = command.split(whitespace, Qt::SkipEmptyParts);
    if (words.isEmpty())
        return true;
    const QStringList pathPieces = words.first().split(u'/', Qt::SkipEmptyParts);
    if (pathPieces.isEmpty())
        return true;
    return pathPieces.last().toLower() != u"open";
}

QList<int> PortInspectionService::portsToInspect(const DevProject &project)
{
    QList<int> ports;
    const QList<ProjectService> services = project.runnableServices();
    for (const ProjectService &service : services) {
        if (!shouldInspectConfiguredPort(Text::trimmed(service.command)))
            continue;
        const std::optional<int> port = tcpPort(Text::trimmed(service.localhostURL));
        if (port && !ports.contains(*port))
            ports.append(*port);
    }
    return ports;
}

std::optional<QString> PortInspectionService::runCommand(const QString &launchPath,
                                                         const QStringList &arguments)
{
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(launchPath, arguments, QIODevice::ReadOnly);
    if (!process.waitForFinished(kToolTimeoutMs)) {
        process.kill();
        process.waitForFinished();
        return std::nullopt;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return std::nullopt;
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString output = decoder.decode(process.readAllStandardOutput());
    if (decoder.hasError())
        return std::nullopt;
    const QString trimmed = Text::trimmed(output);
    return trimmed.isEmpty() ? std::nullopt : std::optional<QString>(trimmed);
}

std::optional<PortListener> PortInspectionService::listener(int port) const
{
    const std::optional<QString> output =
        runCommand(lsofPath(), {u"-nP"_s, u"-iTCP:"_s + QString::number(port), u"-sTCP:LISTEN"_s, u"-t"_s});
    if (!output)
        return std::nullopt;
    const QStringList lines = output->split(u'\n', Qt::SkipEmptyParts);
    const std::optional<qint32> pid = parseProcessID(lines.first());
    // kill(0) would reach our own process group and kill(-1) every process
    // of the user; neither is a listener we may signal.
    if (!pid || !isSignallable(*pid))
        return std::nullopt;
    const std::optional<QString> name =
        runCommand(u"/bin/ps"_s, {u"-p"_s, QString::number(*pid), u"-o"_s, u"comm="_s});
    return PortListener{*pid, name.value_or(u"process"_s)};
}

bool PortInspectionService::terminateProcess(qint32 pid) const
{
    if (!isSignallable(pid))
        return false;
    if (::kill(pid, 0) != 0 && errno != EPERM)
        return errno == ESRCH;
    if (!ProcessTable::isAlive(pid))
        return true;

    ::kill(pid, SIGTERM);
    for (int check = 0; check < kTerminateChecks; ++check) {
        if (!ProcessTable::isAlive(pid))
            return true;
        QThread::msleep(kCheckIntervalMs);
    }
    ::kill(pid, SIGKILL);
    for (int check = 0; check < kKillChecks; ++check) {
        if (check > 0)
            QThread::msleep(kCheckIntervalMs);
        if (!ProcessTable::isAlive(pid))
            return true;
    }
    return false;
}

} // namespace devnook
