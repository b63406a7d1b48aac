#include "core/preview/DevicePreviewDeviceSocket.h"

#include <QSignalSpy>
#include <QTest>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace devnook;
using namespace std::chrono_literals;

namespace {

// A TCP connection on 127.0.0.1: the device's end, which the test holds, and
// the proxy's end, which a device socket takes.
struct Connection {
    int device = -1;
    int proxy = -1;
};

Connection loopbackConnection()
{
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int device = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof address);
    ::listen(listener, 1);
    ::getsockname(listener, reinterpret_cast<sockaddr *>(&address), &length);
    ::connect(device, reinterpret_cast<sockaddr *>(&address), sizeof address);
    const int proxy = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    ::close(listener);
    return {device, proxy};
}

// Closes the device's end with a reset instead of an end of stream.
void reset(int fd)
{
    const linger now{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &now, sizeof now);
    ::close(fd);
}

} // namespace

class DevicePreviewDeviceSocketTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void aResetAfterTheEndIsNoticed_data()
    {
        QTest::addColumn<bool>("dropping");
        // As a tunnel to an https dev server reads a device.
        QTest::newRow("end found by a read") << false;
        // As a connection whose request is in drops what comes after it.
        QTest::newRow("end found while dropping input") << true;
    }

    // A device that has ended its stream and then resets its connection is
    // gone, though nothing is read from it any more.
    void aResetAfterTheEndIsNoticed()
    {
        QFETCH(bool, dropping);
        const Connection connection = loopbackConnection();
        QVERIFY(connection.device >= 0 && connection.proxy >= 0);
        DevicePreviewDeviceSocket socket(connection.proxy, 60s, nullptr);
        QSignalSpy closed(&socket, &DevicePreviewDeviceSocket::closed);
        ::send(connection.device, "GET", 3, MSG_NOSIGNAL);
        ::shutdown(connection.device, SHUT_WR);
        QCOMPARE(socket.read(1024), "GET");
        if (dropping) {
            socket.discardInput();
            QTRY_VERIFY(socket.inputEnded());
        } else {
            QCOMPARE(socket.read(1024), QByteArray());
            QVERIFY(socket.inputEnded());
        }
        QCOMPARE(socket.descriptor(), connection.proxy);
        reset(connection.device);
        QVERIFY(closed.wait(20000));
        QCOMPARE(socket.descriptor(), -1);
        QCOMPARE(closed.size(), 1);
    }
};

QTEST_GUILESS_MAIN(DevicePreviewDeviceSocketTest)
#include "DevicePreviewDeviceSocketTest.moc"
