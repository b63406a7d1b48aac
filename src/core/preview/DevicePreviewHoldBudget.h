#pragma once

#include <QtGlobal>
#include <memory>
#include <optional>

namespace devnook {

// The bytes that one proxy may hold whole across all its connections: bodies
// kept to be sent again, chunked uploads held to be sent with their length,
// answers collected to be sent with theirs. Streams hold only a little each
// and are not counted; what is held is, so that many devices at once cannot
// make the proxy hold more than this.
class DevicePreviewHoldBudget {
public:
    // A share of the budget, given back when it is destroyed or released.
    class Hold {
    public:
        Hold() = default;
        Hold(Hold &&other) noexcept;
        Hold &operator=(Hold &&other) noexcept;
        ~Hold();

        qint64 bytes() const { return m_bytes; }
        // Gives the share back now.
        void release();

    private:
        friend class DevicePreviewHoldBudget;
        struct Pool;
        Hold(std::shared_ptr<Pool> pool, qint64 bytes);

        std::shared_ptr<Pool> m_pool;
        qint64 m_bytes = 0;
    };

    explicit DevicePreviewHoldBudget(qint64 bytes);

    // As much of `wanted` as is left, none when nothing is (never negative).
    Hold take(qint64 wanted);
    // All of `wanted`, or none when that much is not left.
    std::optional<Hold> takeAll(qint64 wanted);

private:
    // Outlives the budget while a hold is out, so that a hold given back late
    // (by a connection deleted after the proxy's worker) finds it.
    std::shared_ptr<Hold::Pool> m_pool;
};

} // namespace devnook
