#pragma once

#include <QCoro/QCoroTask>
#include <QObject>
#include <QTimer>
#include <chrono>

namespace devnook {

// Lets a coroutine wait until something has happened at least once, however
// often it happens. Awaiting a busy sender's signal with QCoro directly queues
// one resume per emission, so a sender that emits twice in one turn resumes a
// wait that has already ended. Connect the events to wake() with the wakeup
// as context, then await wait(); the wakeup lives in the waiting frame.
class Wakeup final : public QObject {
    Q_OBJECT

public:
    explicit Wakeup(QObject *parent = nullptr);

    // Ends the wait; calls after the first change nothing.
    void wake();

    // Finishes once wake() was called, at once when it already was.
    QCoro::Task<> wait();
    // As wait(), or once the bound has passed.
    QCoro::Task<> wait(std::chrono::milliseconds bound);

Q_SIGNALS:
    // Emitted once, by the first wake().
    void woken();

private:
    QTimer m_bound;
    bool m_isWoken = false;
};

} // namespace devnook
