#include "DevicePreviewDeviceSocket.h"

#include "DevicePreviewSocketIo.h"

#include <QPointer>
#include <QSocketNotifier>
#include <QTimerEvent>
#include <algorithm>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace devnook {

namespace {

namespace SocketIo = DevicePreviewSocketIo;

constexpr qsizetype kReadBytes = 64 * 1024;
// Reads of dropped bytes per turn of the event loop, so that a device that
// sends fast cannot hold the proxy's thread.
constexpr int kDropReadsPerTurn = 16;
// Bytes sent off the front of the queue before it is compacted.
constexpr qsizetype kCompactBytes = 64 * 1024;

} // namespace

DevicePreviewDeviceSocket::DevicePreviewDeviceSocket(int fd, std::chrono::milliseconds lingerTime,
                                                     QObject *parent)
    : QObject(parent), m_fd(fd), m_lingerTime(lingerTime),
      m_readNotifier(new QSocketNotifier(fd, QSocketNotifier::Read, this)),
      m_writeNotifier(new QSocketNotifier(fd, QSocketNotifier::Write, this))
{
    ::fcntl(m_fd, F_SETFL, ::fcntl(m_fd, F_GETFL) | O_NONBLOCK);
    // Answers are written whole or in large pieces; nothing is gained by waiting.
    const int one = 1;
    ::setsockopt(m_fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    m_writeNotifier->setEnabled(false);
    connect(m_readNotifier, &QSocketNotifier::activated, this, &DevicePreviewDeviceSocket::readable);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, &DevicePreviewDeviceSocket::writable);
}

DevicePreviewDeviceSocket::~DevicePreviewDeviceSocket()
{
    closeDescriptor();
}

QByteArray DevicePreviewDeviceSocket::read(qint64 maxBytes)
{
    if (m_fd < 0 || m_inputEnded)
        return {};
    // Read on the stack and kept at its size: a connection holds what a
    // device sent, often a few bytes of a head, not a whole read's room.
    char buffer[kReadBytes];
    const ssize_t got = ::recv(m_fd, buffer, static_cast<size_t>(std::min<qint64>(maxBytes, kReadBytes)), 0);
    if (got > 0)
        return QByteArray(buffer, static_cast<qsizetype>(got));
    if (got == 0)
        inputHasEnded();
    else if (SocketIo::wouldBlock())
        m_readNotifier->setEnabled(true);
    else
        closeAndTell();
    return {};
}

void DevicePreviewDeviceSocket::discardInput()
{
    m_discarding = true;
    if (m_fd >= 0 && !m_inputEnded)
        m_readNotifier->setEnabled(true);
}

void DevicePreviewDeviceSocket::write(QByteArrayView bytes)
{
    if (m_fd < 0 || bytes.isEmpty())
        return;
    m_output.append(bytes);
    sendQueued();
}

void DevicePreviewDeviceSocket::finish()
{
    m_finishing = true;
    discardInput();
    progressFinish();
}

void DevicePreviewDeviceSocket::abort()
{
    closeDescriptor();
}

int DevicePreviewDeviceSocket::take()
{
    disableNotifiers();
    return std::exchange(m_fd, -1);
}

void DevicePreviewDeviceSocket::readable()
{
    if (m_fd < 0)
        return;
    if (!m_discarding) {
        // The reader reads until a read comes back empty, which turns this on again.
        m_readNotifier->setEnabled(false);
        const QPointer self(this);
        Q_EMIT readyRead();
        // A reader that stopped short holds the device back, perhaps for
        // good, as a tunnel to a dev server that reads nothing does.
        if (self && m_fd >= 0 && !m_inputEnded && !m_readNotifier->isEnabled())
            watchForHangUp();
        return;
    }
    if (drain())
        progressFinish();
}

void DevicePreviewDeviceSocket::inputHasEnded()
{
    m_inputEnded = true;
    m_readNotifier->setEnabled(false);
    // Told on the next turn: the end may be found in the midst of the owner's own read.
    QMetaObject::invokeMethod(this, &DevicePreviewDeviceSocket::endReceived, Qt::QueuedConnection);
    // The device has nothing more to say, so a reset or an error is all
    // that is signalled from now on (an ended stream keeps reading ready).
    // A connection already answered closes now, and needs no watch.
    if (!m_lingeringSince)
        watchForHangUp();
}

void DevicePreviewDeviceSocket::watchForHangUp()
{
    if (m_hangUpNotifier) {
        m_hangUpNotifier->setEnabled(true);
        return;
    }
    m_hangUpNotifier = new QSocketNotifier(m_fd, QSocketNotifier::Exception, this);
    connect(m_hangUpNotifier, &QSocketNotifier::activated, this, &DevicePreviewDeviceSocket::hungUp);
}

void DevicePreviewDeviceSocket::hungUp()
{
    if (m_fd < 0)
        return;
    pollfd state{m_fd, 0, 0};
    if (::poll(&state, 1, 0) == 1 && (state.revents & (POLLERR | POLLHUP))) {
        closeAndTell();
        return;
    }
    // Urgent data sent before the end: dropped, or it would be signalled again and again.
    char urgent = 0;
    ::recv(m_fd, &urgent, 1, MSG_OOB);
}

bool DevicePreviewDeviceSocket::drain()
{
    char dropped[kReadBytes];
    for (int i = 0; i < kDropReadsPerTurn; ++i) {
        const ssize_t got = ::recv(m_fd, dropped, sizeof dropped, 0);
        if (got == 0) {
            inputHasEnded();
            return true;
        }
        if (got < 0) {
            if (SocketIo::wouldBlock())
                return true;
            closeAndTell();
            return false;
        }
    }
    return true;
}

void DevicePreviewDeviceSocket::writable()
{
    const qint64 before = bytesToWrite();
    sendQueued();
    if (m_fd < 0)
        return;
    if (bytesToWrite() < before)
        Q_EMIT bytesWritten();
    progressFinish();
}

void DevicePreviewDeviceSocket::sendQueued()
{
    while (bytesToWrite() > 0) {
        const ssize_t sent = SocketIo::sendSome(m_fd, QByteArrayView(m_output).sliced(m_outputSent));
        if (sent < 0) {
            closeAndTell();
            return;
        }
        if (sent == 0)
            break;
        m_outputSent += sent;
    }
    if (bytesToWrite() == 0) {
        m_output.clear();
        m_outputSent = 0;
    } else if (m_outputSent >= kCompactBytes) {
        m_output.remove(0, m_outputSent);
        m_outputSent = 0;
    }
    m_writeNotifier->setEnabled(bytesToWrite() > 0);
}

void DevicePreviewDeviceSocket::progressFinish()
{
    if (!m_finishing || m_fd < 0)
        return;
    if (!m_lingeringSince && bytesToWrite() == 0) {
        ::shutdown(m_fd, SHUT_WR);
        m_lingeringSince = std::chrono::steady_clock::now();
        m_lingerTimer = startTimer(m_lingerTime, Qt::CoarseTimer);
    }
    if (m_lingeringSince && m_inputEnded)
        closeAndTell();
}

void DevicePreviewDeviceSocket::closeAndTell()
{
    closeDescriptor();
    // Told on the next turn: the close may come in the midst of the owner's own call.
    QMetaObject::invokeMethod(this, &DevicePreviewDeviceSocket::closed, Qt::QueuedConnection);
}

void DevicePreviewDeviceSocket::closeDescriptor()
{
    if (m_lingerTimer != 0)
        killTimer(std::exchange(m_lingerTimer, 0));
    if (m_fd < 0)
        return;
    disableNotifiers();
    // Closed before the whole answer went out: a plain end of the stream
    // would let the device take what it got for all there is. Once all was
    // handed to the system the close stays plain, or what the system still
    // holds for the device would be dropped.
    if (!m_lingeringSince) {
        const linger reset{1, 0};
        ::setsockopt(m_fd, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    }
    ::close(std::exchange(m_fd, -1));
    m_output.clear();
    m_outputSent = 0;
}

void DevicePreviewDeviceSocket::disableNotifiers()
{
    m_readNotifier->setEnabled(false);
    m_writeNotifier->setEnabled(false);
    if (m_hangUpNotifier)
        m_hangUpNotifier->setEnabled(false);
}

void DevicePreviewDeviceSocket::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != m_lingerTimer)
        return;
    // The device did not end its side in time: what it still sends is not waited for.
    closeAndTell();
}

} // namespace devnook
