#pragma once

#include <QList>
#include <QObject>

class QSocketNotifier;

namespace devnook {

// Turns POSIX signals into a Qt signal on the main thread. The handler only
// writes the signal number to a socket pair, which is all a handler may do.
class UnixSignalWatcher final : public QObject {
    Q_OBJECT

public:
    // Holds the given signals back until a watcher takes them, so that one
    // that comes before the application object exists is not fatal. Call it
    // before any thread starts.
    static void deferUntilWatched(const QList<int> &signalNumbers);

    // Watches the given signals (SIGTERM, SIGINT…), and delivers any of them
    // held back since deferUntilWatched. One watcher per process.
    explicit UnixSignalWatcher(const QList<int> &signalNumbers, QObject *parent = nullptr);
    ~UnixSignalWatcher() override;

Q_SIGNALS:
    // Emitted on the main thread after one of the signals arrived.
    void received(int signalNumber);

private:
    void readSignal();

    QList<int> m_signals;
    QSocketNotifier *m_notifier = nullptr;
};

} // namespace devnook
