#include "DevicePreviewHoldBudget.h"

#include <algorithm>
#include <utility>

namespace devnook {

struct DevicePreviewHoldBudget::Hold::Pool {
    qint64 available = 0;
};

DevicePreviewHoldBudget::Hold::Hold(std::shared_ptr<Pool> pool, qint64 bytes)
    : m_pool(std::move(pool)), m_bytes(bytes)
{}

DevicePreviewHoldBudget::Hold::Hold(Hold &&other) noexcept
    : m_pool(std::move(other.m_pool)), m_bytes(std::exchange(other.m_bytes, 0))
{}

DevicePreviewHoldBudget::Hold &DevicePreviewHoldBudget::Hold::operator=(Hold &&other) noexcept
{
    if (this != &other) {
        release();
        m_pool = std::move(other.m_pool);
        m_bytes = std::exchange(other.m_bytes, 0);
    }
    return *this;
}

DevicePreviewHoldBudget::Hold::~Hold()
{
    release();
}

void DevicePreviewHoldBudget::Hold::release()
{
    if (m_pool)
        m_pool->available += m_bytes;
    m_pool.reset();
    m_bytes = 0;
}

DevicePreviewHoldBudget::DevicePreviewHoldBudget(qint64 bytes) : m_pool(std::make_shared<Hold::Pool>())
{
    m_pool->available = bytes;
}

DevicePreviewHoldBudget::Hold DevicePreviewHoldBudget::take(qint64 wanted)
{
    const qint64 granted = std::clamp<qint64>(wanted, 0, m_pool->available);
    m_pool->available -= granted;
    return Hold(m_pool, granted);
}

std::optional<DevicePreviewHoldBudget::Hold> DevicePreviewHoldBudget::takeAll(qint64 wanted)
{
    if (wanted > m_pool->available)
        return std::nullopt;
    return take(wanted);
}

} // namespace devnook
