#include "core/preview/DevicePreviewDeviceSocket.h"

#include "LoopbackConnection.h"

#include <QSignalSpy>
#include <QTest>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace devnook;
using devnook::test::Connection;
using devnook::test::loopbackConnection;
using namespace std::chrono_literals;

namespace {

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
        QVERIFY(connection.outer >= 0 && connection.inner >= 0);
        DevicePreviewDeviceSocket socket(connection.inner, 60s, nullptr);
        QSignalSpy closed(&socket, &DevicePreviewDeviceSocket::closed);
        ::send(connection.outer, "GET", 3, MSG_NOSIGNAL);
        ::shutdown(connection.outer, SHUT_WR);
        QCOMPARE(socket.read(1024), "GET");
        if (dropping) {
            socket.discardInput();
            QTRY_VERIFY(socket.inputEnded());
        } else {
            QCOMPARE(socket.read(1024), QByteArray());
            QVERIFY(socket.inputEnded());
        }
        QCOMPARE(socket.descriptor(), connection.inner);
        reset(connection.outer);
        QVERIFY(closed.wait(20000));
        QCOMPARE(socket.descriptor(), -1);
        QCOMPARE(closed.size(), 1);
    }
};

QTEST_GUILESS_MAIN(DevicePreviewDeviceSocketTest)
#include "DevicePreviewDeviceSocketTest.moc"
