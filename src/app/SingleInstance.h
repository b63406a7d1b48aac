#pragma once

#include <QLocalServer>
#include <QObject>
#include <memory>

namespace devnook {

// One Devnook per user session. The first launch holds a lock and, once its
// panel is on screen, listens on a local socket; a later launch finds the lock
// taken, asks the first one to show its panel and exits.
class SingleInstance final : public QObject {
    Q_OBJECT

public:
    // socketPath: a path in a private folder (the runtime folder).
    explicit SingleInstance(const QString &socketPath, QObject *parent = nullptr);
    ~SingleInstance() override;

    // True when this process is the first, which then holds the lock.
    bool becomePrimary();

    // The primary answers later launches from here on; until then they retry.
    void listen();

    // Asks the running instance to show its panel, retrying while it starts
    // up; true once the request was delivered.
    bool askPrimaryToShow(int timeoutMs = 3000);

    // The folder-private socket path of the current user's session.
    static QString defaultSocketPath();

Q_SIGNALS:
    // Emitted in the primary when a later launch asked to show the panel.
    void showRequested();

private:
    void serveConnection();

    QString m_socketPath;
    int m_lockFd = -1;
    std::unique_ptr<QLocalServer> m_server;
};

} // namespace devnook
