#pragma once

#include <QObject>
#include <QTimer>
#include <chrono>
#include <memory>

class QSocketNotifier;

namespace devnook {

// A single-shot timer whose wait keeps counting while the machine is
// suspended (CLOCK_BOOTTIME), so a wait that ended during a sleep ends as soon
// as the machine runs again. Lives on the thread that made it. Where the
// kernel refuses the boot-time timer it falls back to an ordinary timer,
// whose wait pauses during a sleep.
class BootTimeTimer final : public QObject {
    Q_OBJECT

public:
    explicit BootTimeTimer(std::chrono::milliseconds interval, QObject *parent = nullptr);
    ~BootTimeTimer() override;

    std::chrono::milliseconds interval() const { return m_interval; }
    // False when it runs on the fallback timer.
    bool countsSleep() const { return m_fd >= 0; }
    // Between start() and the timeout or stop().
    bool isActive() const { return m_isActive; }

    // Starts one interval from now; restarting drops the earlier wait.
    void start();
    // Ends the wait without a timeout, also one that ended but whose timeout
    // has not been delivered yet.
    void stop();

Q_SIGNALS:
    // Emitted once the interval has passed since start(), sleep included.
    void timeout();

private:
    void readExpiry();
    void expired();

    std::chrono::milliseconds m_interval;
    int m_fd = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
    QTimer m_fallback;
    bool m_isActive = false;
};

} // namespace devnook
