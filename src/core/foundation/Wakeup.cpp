#include "Wakeup.h"

#include <QCoroSignal>

namespace devnook {

Wakeup::Wakeup(QObject *parent) : QObject(parent)
{
    m_bound.setSingleShot(true);
    connect(&m_bound, &QTimer::timeout, this, &Wakeup::wake);
}

void Wakeup::wake()
{
    if (m_isWoken)
        return;
    m_isWoken = true;
    m_bound.stop();
    Q_EMIT woken();
}

QCoro::Task<> Wakeup::wait()
{
    if (!m_isWoken)
        co_await qCoro(this, &Wakeup::woken);
}

QCoro::Task<> Wakeup::wait(std::chrono::milliseconds bound)
{
    if (m_isWoken)
        co_return;
    m_bound.start(bound);
    co_await qCoro(this, &Wakeup::woken);
}

} // namespace devnook
