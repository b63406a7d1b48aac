#include "DevicePreviewRelay.h"

#include "DevicePreviewSocketIo.h"

#include <chrono>
#include <mutex>
#include <pthread.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace devnook {

namespace {

namespace SocketIo = DevicePreviewSocketIo;

constexpr int kReadBytes = 64 * 1024;
constexpr int kEventsPerTurn = 256;

using Clock = std::chrono::steady_clock;

} // namespace

class DevicePreviewRelay::Pair {
public:
    struct Side {
        Pair *pair = nullptr;
        // -1 once closed.
        int fd = -1;
        Side *other = nullptr;
        // Bytes read from the other side that this one has not taken yet.
        QByteArray pending;
        unsigned watched = 0;
        // Once the tunnel is ending: it has ended its stream, and it has been told the end.
        bool inputEnded = false;
        bool shut = false;
    };

    Pair(Shard &owner, int deviceFd, int upstreamFd) : shard(owner)
    {
        device.pair = upstream.pair = this;
        device.fd = deviceFd;
        upstream.fd = upstreamFd;
        device.other = &upstream;
        upstream.other = &device;
    }

    Shard &shard;
    Side device;
    Side upstream;
    std::function<void()> onClosed;
    // Either side has ended its stream; the pair is closed by endBy at the latest.
    bool ending = false;
    Clock::time_point endBy;
    bool closed = false;
    // The owner is done with it: it may be freed once closed.
    bool released = false;
};

// One relay thread and the pairs it copies for. Everything below is guarded
// by the mutex, which the thread holds while it handles a turn of events.
class DevicePreviewRelay::Shard {
public:
    using Side = Pair::Side;

    explicit Shard(std::chrono::milliseconds endingTime)
        : m_endingTime(endingTime), m_epoll(epoll_create1(EPOLL_CLOEXEC)),
          m_wake(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
    {
        epoll_event event{};
        event.events = EPOLLIN;
        event.data.ptr = nullptr; // the wake-up descriptor
        epoll_ctl(m_epoll, EPOLL_CTL_ADD, m_wake, &event);
        m_thread = std::thread([this] { run(); });
        pthread_setname_np(m_thread.native_handle(), "PreviewRelay");
    }

    ~Shard()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        wake();
        m_thread.join();
        for (const std::unique_ptr<Pair> &pair : m_pairs) {
            for (const Side *side : {&pair->device, &pair->upstream}) {
                if (side->fd >= 0)
                    ::close(side->fd);
            }
        }
        ::close(m_wake);
        ::close(m_epoll);
    }

    size_t size()
    {
        const std::lock_guard lock(m_mutex);
        return m_pairs.size();
    }

    Pair *add(int device, int upstream, QByteArray toUpstream, std::function<void()> onClosed)
    {
        const std::lock_guard lock(m_mutex);
        auto pair = std::make_unique<Pair>(*this, device, upstream);
        pair->onClosed = std::move(onClosed);
        pair->upstream.pending = std::move(toUpstream);
        for (Side *side : {&pair->device, &pair->upstream}) {
            epoll_event event{};
            event.data.ptr = side;
            epoll_ctl(m_epoll, EPOLL_CTL_ADD, side->fd, &event);
            watch(*side);
        }
        m_pairs.push_back(std::move(pair));
        return m_pairs.back().get();
    }

    void remove(Pair &pair)
    {
        {
            const std::lock_guard lock(m_mutex);
            pair.onClosed = nullptr;
            pair.released = true;
            if (!pair.closed)
                close(pair);
        }
        wake(); // so that the thread frees it
    }

private:
    void wake()
    {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(m_wake, &one, sizeof one);
    }

    void run()
    {
        epoll_event ready[kEventsPerTurn];
        int timeout = -1;
        while (true) {
            const int count = epoll_wait(m_epoll, ready, kEventsPerTurn, timeout);
            const std::lock_guard lock(m_mutex);
            if (m_stopping)
                return;
            for (int i = 0; i < count; ++i) {
                auto *side = static_cast<Side *>(ready[i].data.ptr);
                if (!side) {
                    uint64_t wakes = 0;
                    [[maybe_unused]] const ssize_t read = ::read(m_wake, &wakes, sizeof wakes);
                } else if (side->fd >= 0) {
                    // A pair closed earlier in this turn stays allocated until its end.
                    if (side->pair->ending)
                        finish(*side, ready[i].events);
                    else
                        handle(*side, ready[i].events);
                }
            }
            timeout = closeOverdue();
            std::erase_if(m_pairs,
                          [](const std::unique_ptr<Pair> &pair) { return pair->closed && pair->released; });
        }
    }

    void handle(Side &side, unsigned events)
    {
        Pair &pair = *side.pair;
        if ((events & EPOLLOUT) && !sendPending(side)) {
            close(pair);
            return;
        }
        if ((events & EPOLLIN) && side.other->pending.isEmpty()) {
            char buffer[kReadBytes];
            const ssize_t got = ::recv(side.fd, buffer, sizeof buffer, 0);
            if (got == 0) {
                end(side);
                return;
            }
            if (got < 0 && !SocketIo::wouldBlock()) {
                close(pair);
                return;
            }
            if (got > 0) {
                const ssize_t sent = SocketIo::sendSome(side.other->fd, QByteArrayView(buffer, got));
                if (sent < 0) {
                    close(pair);
                    return;
                }
                side.other->pending.append(buffer + sent, got - sent);
            }
        } else if ((events & (EPOLLERR | EPOLLHUP)) && !(events & EPOLLIN)) {
            close(pair);
            return;
        }
        watch(side);
        watch(*side.other);
    }

    // Sends what the side is owed; false on an error that ends the connection.
    static bool sendPending(Side &side)
    {
        if (side.pending.isEmpty())
            return true;
        const ssize_t sent = SocketIo::sendSome(side.fd, side.pending);
        if (sent < 0)
            return false;
        side.pending.remove(0, sent);
        return true;
    }

    // A side is read while the other has taken everything, and written while it owes bytes.
    void watch(Side &side)
    {
        setWatched(side,
                   (side.other->pending.isEmpty() ? EPOLLIN : 0u) | (side.pending.isEmpty() ? 0u : EPOLLOUT));
    }

    void setWatched(Side &side, unsigned wanted)
    {
        if (wanted == side.watched)
            return;
        epoll_event event{};
        event.events = wanted;
        event.data.ptr = &side;
        epoll_ctl(m_epoll, EPOLL_CTL_MOD, side.fd, &event);
        side.watched = wanted;
    }

    // The side has ended its stream, and with it the tunnel: neither side's
    // bytes are passed on any more, but what was read for each still reaches it.
    void end(Side &ended)
    {
        Pair &pair = *ended.pair;
        pair.ending = true;
        pair.endBy = Clock::now() + m_endingTime;
        m_ending.push_back(&pair);
        ended.inputEnded = true;
        progress(pair.device);
        progress(pair.upstream);
    }

    // A side of an ending pair: takes the rest of its bytes, and is read until
    // it ends its stream, so that closing it resets nothing still on its way to it.
    void finish(Side &side, unsigned events)
    {
        bool failed = (events & EPOLLOUT) && !sendPending(side);
        if (!failed && !side.inputEnded && (events & (EPOLLIN | EPOLLHUP))) {
            char dropped[kReadBytes];
            const ssize_t got = ::recv(side.fd, dropped, sizeof dropped, 0);
            side.inputEnded = got == 0;
            failed = got < 0 && !SocketIo::wouldBlock();
        }
        // Gone both ways before it was told the end: the rest cannot reach it.
        if (failed || (events & EPOLLERR) || ((events & EPOLLHUP) && !side.shut))
            closeSide(side);
        else
            progress(side);
    }

    // Tells an ending side the end once it has taken its bytes, and closes it once it has ended too.
    void progress(Side &side)
    {
        if (side.fd < 0)
            return;
        if (!side.shut && side.pending.isEmpty()) {
            ::shutdown(side.fd, SHUT_WR);
            side.shut = true;
        }
        if (side.shut && side.inputEnded) {
            closeSide(side);
            return;
        }
        setWatched(side, (side.inputEnded ? 0u : EPOLLIN) | (side.pending.isEmpty() ? 0u : EPOLLOUT));
    }

    void closeSide(Side &side)
    {
        closeFd(side);
        if (side.other->fd < 0)
            close(*side.pair);
    }

    void closeFd(Side &side)
    {
        if (side.fd >= 0) {
            epoll_ctl(m_epoll, EPOLL_CTL_DEL, side.fd, nullptr);
            ::close(side.fd);
            side.fd = -1;
        }
        side.pending.clear();
    }

    // Closes the ending pairs whose time is up; returns how long epoll may wait for the next.
    int closeOverdue()
    {
        if (m_ending.empty())
            return -1;
        const Clock::time_point now = Clock::now();
        Clock::time_point next = Clock::time_point::max();
        for (size_t i = 0; i < m_ending.size();) {
            Pair &pair = *m_ending[i];
            if (pair.endBy > now) {
                next = std::min(next, pair.endBy);
                ++i;
            } else {
                close(pair); // takes it out of the list
            }
        }
        if (next == Clock::time_point::max())
            return -1;
        return static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(next - now).count());
    }

    // Closes whatever is still open of the pair, at once.
    void close(Pair &pair)
    {
        if (pair.closed)
            return;
        pair.closed = true;
        closeFd(pair.device);
        closeFd(pair.upstream);
        if (pair.ending)
            std::erase(m_ending, &pair);
        // Under the lock, so that an owner letting go meanwhile waits for the call to end.
        if (std::function<void()> onClosed = std::exchange(pair.onClosed, nullptr))
            onClosed();
    }

    const std::chrono::milliseconds m_endingTime;
    int m_epoll;
    int m_wake;
    std::mutex m_mutex;
    std::vector<std::unique_ptr<Pair>> m_pairs;
    std::vector<Pair *> m_ending;
    bool m_stopping = false;
    std::thread m_thread;
};

DevicePreviewRelay::DevicePreviewRelay(QObject *parent, std::chrono::milliseconds endingTime)
    : QObject(parent)
{
    for (int i = 0; i < kThreads; ++i)
        m_shards.push_back(std::make_unique<Shard>(endingTime));
}

DevicePreviewRelay::~DevicePreviewRelay() = default;

DevicePreviewRelay::Pair *DevicePreviewRelay::add(int device, int upstream, QByteArray toUpstream,
                                                  std::function<void()> onClosed)
{
    // The thread with the fewest tunnels takes the next.
    Shard *least = m_shards.front().get();
    for (const std::unique_ptr<Shard> &shard : m_shards) {
        if (shard->size() < least->size())
            least = shard.get();
    }
    return least->add(device, upstream, std::move(toUpstream), std::move(onClosed));
}

void DevicePreviewRelay::remove(Pair *pair)
{
    pair->shard.remove(*pair);
}

} // namespace devnook
