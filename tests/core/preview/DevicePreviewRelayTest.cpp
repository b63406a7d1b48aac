#include "core/preview/DevicePreviewRelay.h"

#include "LoopbackConnection.h"

#include <QTest>
#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace devnook;
using devnook::test::Connection;
using devnook::test::loopbackConnection;
using namespace std::chrono_literals;

namespace {

QByteArray pattern(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(i % 251);
    return bytes;
}

// Everything the socket gives until its peer ends the stream; errno's text
// instead when it fails first, or when nothing comes for a few seconds.
QByteArray readToEnd(int fd, QByteArray *failure)
{
    QByteArray received;
    char buffer[65536];
    while (true) {
        pollfd ready{fd, POLLIN, 0};
        if (::poll(&ready, 1, 5000) != 1) {
            *failure = "nothing more came";
            return received;
        }
        const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
        if (got == 0)
            return received;
        if (got < 0) {
            *failure = QByteArray(std::strerror(errno));
            return received;
        }
        received.append(buffer, got);
    }
}

} // namespace

class DevicePreviewRelayTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A device that takes nothing holds the dev server back: what is sent
    // meanwhile stays within the kernel's buffers and one read of the relay.
    // Once the device reads, every byte arrives, in order.
    void aSideThatTakesNothingHoldsTheOtherBack()
    {
        const Connection device = loopbackConnection(32 * 1024);
        const Connection upstream = loopbackConnection(32 * 1024);
        DevicePreviewRelay relay(nullptr);
        relay.add(device.inner, upstream.inner, {}, [] {});

        const QByteArray sent = pattern(16 * 1024 * 1024);
        qsizetype written = 0;
        auto lastProgress = std::chrono::steady_clock::now();
        while (written < sent.size() && std::chrono::steady_clock::now() - lastProgress < 300ms) {
            const ssize_t taken = ::send(upstream.outer, sent.constData() + written,
                                         static_cast<size_t>(sent.size() - written), MSG_DONTWAIT);
            if (taken > 0) {
                written += taken;
                lastProgress = std::chrono::steady_clock::now();
            } else {
                std::this_thread::sleep_for(1ms);
            }
        }
        // The kernel's buffers on the way and one read of the relay, far from all of it.
        QVERIFY2(written < 1024 * 1024, QByteArray::number(written).constData());

        std::thread rest([&] {
            for (qsizetype at = written; at < sent.size();) {
                const ssize_t taken =
                    ::send(upstream.outer, sent.constData() + at, static_cast<size_t>(sent.size() - at), 0);
                if (taken <= 0)
                    break;
                at += taken;
            }
            ::shutdown(upstream.outer, SHUT_WR);
        });
        QByteArray failure;
        const QByteArray received = readToEnd(device.outer, &failure);
        rest.join();
        QCOMPARE(failure, QByteArray());
        QCOMPARE(received.size(), sent.size());
        QVERIFY(received == sent);
        for (const int fd : {device.outer, upstream.outer})
            ::close(fd);
    }

    // The dev server sends a last update and ends its stream while the device
    // is still sending and has not read yet: the device gets all of it, then
    // the end of the stream, not a reset.
    void whatASideSentBeforeItsEndArrives()
    {
        const Connection device = loopbackConnection();
        const Connection upstream = loopbackConnection();
        std::atomic<bool> closed = false;
        DevicePreviewRelay relay(nullptr);
        relay.add(device.inner, upstream.inner, {}, [&closed] { closed = true; });

        const QByteArray update = pattern(8 * 1024 * 1024);
        std::thread devServer([&] {
            for (qsizetype at = 0; at < update.size();) {
                const ssize_t taken = ::send(upstream.outer, update.constData() + at,
                                             static_cast<size_t>(update.size() - at), 0);
                if (taken <= 0)
                    break;
                at += taken;
            }
            ::shutdown(upstream.outer, SHUT_WR);
        });
        // The dev server reads none of this, so the relay leaves some of it unread.
        const QByteArray chatter(256 * 1024, 'c');
        for (int i = 0; i < 50; ++i) {
            ::send(device.outer, chatter.constData(), static_cast<size_t>(chatter.size()), MSG_DONTWAIT);
            std::this_thread::sleep_for(2ms);
        }
        QByteArray failure;
        const QByteArray received = readToEnd(device.outer, &failure);
        devServer.join();
        QCOMPARE(failure, QByteArray());
        QCOMPARE(received.size(), update.size());
        QVERIFY(received == update);

        // The dev server still gets the chatter read for it, then the end; once
        // the device has closed too, the tunnel is gone, well within the ending time.
        ::close(device.outer);
        const QByteArray passed = readToEnd(upstream.outer, &failure);
        QCOMPARE(failure, QByteArray());
        QCOMPARE(passed.count('c'), passed.size());
        QTRY_VERIFY_WITH_TIMEOUT(closed, 5000);
        ::close(upstream.outer);
    }

    // A side that never ends its own stream is closed when the ending time is up.
    void anEndingSideIsClosedInTime()
    {
        const Connection device = loopbackConnection();
        const Connection upstream = loopbackConnection();
        std::atomic<bool> closed = false;
        DevicePreviewRelay relay(nullptr, 300ms);
        relay.add(device.inner, upstream.inner, {}, [&closed] { closed = true; });

        ::shutdown(device.outer, SHUT_WR);
        QByteArray failure;
        QCOMPARE(readToEnd(upstream.outer, &failure), QByteArray()); // the end is passed on
        QCOMPARE(failure, QByteArray());
        // What the dev server sends now goes nowhere, and it keeps its connection open.
        ::send(upstream.outer, "late", 4, 0);
        QTRY_VERIFY_WITH_TIMEOUT(closed, 5000);
        QCOMPARE(readToEnd(device.outer, &failure), QByteArray());
        QCOMPARE(failure, QByteArray());
        for (const int fd : {device.outer, upstream.outer})
            ::close(fd);
    }
};

QTEST_GUILESS_MAIN(DevicePreviewRelayTest)
#include "DevicePreviewRelayTest.moc"
