#pragma once

#include <QByteArray>
#include <QObject>
#include <chrono>
#include <functional>
#include <memory>
#include <vector>

namespace devnook {

// Copies bytes both ways between the two plain sockets of every open tunnel
// of one proxy, without looking at them, on threads of its own. Each thread
// waits on one epoll set holding the descriptors of its tunnels, so a message
// costs a read and a write however many tunnels are open, and the tunnels of
// one proxy are shared out between the threads. A side that does not take its
// bytes holds at most one read of the other side, which is not read meanwhile.
// When one side ends its stream the tunnel ends: each side still gets the
// bytes already read for it, then the end of the stream, and is closed once it
// ends its own (what it sends meanwhile is dropped) or the ending time is up.
class DevicePreviewRelay : public QObject {
public:
    class Pair;

    static constexpr int kThreads = 2;
    static constexpr std::chrono::milliseconds kEndingTime{std::chrono::seconds(10)};

    explicit DevicePreviewRelay(QObject *parent, std::chrono::milliseconds endingTime = kEndingTime);
    // Stops the threads and closes every descriptor still open.
    ~DevicePreviewRelay() override;

    // Starts copying between the two connected, non-blocking descriptors,
    // which it then owns; toUpstream goes out first. onClosed is called once,
    // on a relay thread, when both are closed: at once when either side fails,
    // and after the ending when either side ends its stream.
    Pair *add(int device, int upstream, QByteArray toUpstream, std::function<void()> onClosed);
    // Lets go of a pair from add, exactly once: closes its descriptors unless
    // they are closed already; onClosed is not called after this returns.
    void remove(Pair *pair);

private:
    class Shard;
    std::vector<std::unique_ptr<Shard>> m_shards;
};

} // namespace devnook
