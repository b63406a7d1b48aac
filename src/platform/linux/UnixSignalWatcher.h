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
    // Watches the given signals (SIGTERM, SIGINT…). One watcher per process.
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
