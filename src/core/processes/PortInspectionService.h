#pragma once

#include "core/projects/DevProject.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace devnook {

// The process listening on a TCP port.
struct PortListener {
    qint32 pid = 0;
    QString processName;

    bool operator==(const PortListener &) const = default;
};

// Finds the TCP ports a project uses and the processes that hold them, and
// frees a port by ending its process. Everything runs synchronously on the
// caller's thread. listener and terminateProcess are virtual so that the
// store's tests can answer them.
class PortInspectionService {
public:
    virtual ~PortInspectionService() = default;

    // The port of a URL text: the explicit one, else 443 for https and 80
    // for http; none for anything else or for text that is not a URL.
    static std::optional<int> tcpPort(const QString &urlText);

    // The distinct ports of the project's runnable services, in order of
    // first appearance.
    static QList<int> portsToInspect(const DevProject &project);

    // False for a command that only hands something to "open", which starts
    // no server.
    static bool shouldInspectConfiguredPort(const QString &command);

    // Runs a tool to its end (at most a few seconds) and returns its trimmed
    // standard output; none when it cannot run, fails, prints nothing or
    // prints something that is not UTF-8.
    static std::optional<QString> runCommand(const QString &launchPath, const QStringList &arguments);

    // The first process that lsof finds listening on the port. Our own
    // process and identifiers below 1 count as no listener, so that the
    // result can never be used to signal a process group or ourselves.
    virtual std::optional<PortListener> listener(int port) const;

    // Sends the terminate signal, then the kill signal after 2 seconds, and
    // reports whether the process is gone (a zombie counts as gone); blocks
    // for up to about 3 seconds. Refuses identifiers below 1 and our own.
    virtual bool terminateProcess(qint32 pid) const;
};

} // namespace devnook
