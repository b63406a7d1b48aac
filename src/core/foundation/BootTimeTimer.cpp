#include "BootTimeTimer.h"

#include <QSocketNotifier>
#include <algorithm>
#include <cstdint>
#include <ctime>
#include <optional>
#include <sys/timerfd.h>
#include <unistd.h>

namespace devnook {

namespace {

// Arms the timer to end after the wait, or disarms it without one. Either
// also forgets an expiry not read yet.
bool setTimer(int fd, std::optional<std::chrono::nanoseconds> wait)
{
    itimerspec spec{};
    if (wait) {
        // A zero value would disarm the timer rather than end it at once.
        const auto nanoseconds = std::max(wait->count(), std::chrono::nanoseconds::rep{1});
        spec.it_value.tv_sec = static_cast<time_t>(nanoseconds / 1'000'000'000);
        spec.it_value.tv_nsec = static_cast<long>(nanoseconds % 1'000'000'000);
    }
    return timerfd_settime(fd, 0, &spec, nullptr) == 0;
}

} // namespace

BootTimeTimer::BootTimeTimer(std::chrono::milliseconds interval, QObject *parent)
    : QObject(parent), m_interval(interval), m_fd(timerfd_create(CLOCK_BOOTTIME, TFD_NONBLOCK | TFD_CLOEXEC))
{
    if (m_fd >= 0) {
        m_notifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Read);
        connect(m_notifier.get(), &QSocketNotifier::activated, this, &BootTimeTimer::readExpiry);
    }
    m_fallback.setSingleShot(true);
    m_fallback.setTimerType(Qt::PreciseTimer);
    connect(&m_fallback, &QTimer::timeout, this, &BootTimeTimer::expired);
}

BootTimeTimer::~BootTimeTimer()
{
    m_notifier.reset();
    if (m_fd >= 0)
        close(m_fd);
}

void BootTimeTimer::start()
{
    m_isActive = true;
    if (m_fd >= 0 && setTimer(m_fd, m_interval))
        return;
    m_fallback.start(m_interval);
}

void BootTimeTimer::stop()
{
    m_isActive = false;
    if (m_fd >= 0)
        setTimer(m_fd, std::nullopt);
    m_fallback.stop();
}

void BootTimeTimer::readExpiry()
{
    // Nothing to read means a stop or restart came after the expiry.
    std::uint64_t expirations = 0;
    if (read(m_fd, &expirations, sizeof expirations) == static_cast<ssize_t>(sizeof expirations))
        expired();
}

void BootTimeTimer::expired()
{
    m_isActive = false;
    Q_EMIT timeout();
}

} // namespace devnook
