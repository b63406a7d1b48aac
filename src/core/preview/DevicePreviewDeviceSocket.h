#pragma once

#include <QByteArray>
#include <QObject>
#include <chrono>
#include <optional>

class QSocketNotifier;

namespace devnook {

// A device's TCP connection, read and written at its descriptor. Qt's socket
// takes the end of the device's stream for the end of the connection and
// drops what it had yet to write; a device that has sent its request may end
// its side and still wait for the answer. Only a reset, a failed write or
// the close after finish ends the connection. A connection closed before
// finish has sent all and ended the sending side is reset, so that the device
// cannot take an answer cut short for a whole one.
class DevicePreviewDeviceSocket : public QObject {
    Q_OBJECT

public:
    // Takes a connected descriptor, and makes it non-blocking. After finish,
    // what the device still sends is read and dropped for lingerTime at most.
    DevicePreviewDeviceSocket(int fd, std::chrono::milliseconds lingerTime, QObject *parent);
    // Closes the descriptor unless it was handed on: with a reset unless it lingers.
    ~DevicePreviewDeviceSocket() override;

    // -1 once closed or handed on.
    int descriptor() const { return m_fd; }

    // Up to maxBytes (64 KiB at most) the device has sent; empty when none is waiting, when
    // its stream has ended or the connection is gone. readyRead follows when
    // more arrives, once a read has come back empty.
    QByteArray read(qint64 maxBytes);
    // True once the device has ended its stream: it may still take bytes.
    bool inputEnded() const { return m_inputEnded; }
    // Since when all was sent and the sending side ended, while the device's end is awaited.
    std::optional<std::chrono::steady_clock::time_point> lingeringSince() const
    {
        return m_fd >= 0 ? m_lingeringSince : std::nullopt;
    }
    // What the device sends from now on is read and dropped, so that a reset
    // is noticed while nothing else is read.
    void discardInput();

    // Sends the bytes after those still queued; what the system does not take yet is queued.
    void write(QByteArrayView bytes);
    qint64 bytesToWrite() const { return m_output.size() - m_outputSent; }

    // Sends what is queued, ends the sending side, then drops what the device
    // still sends until it ends its own or the linger time is up, and closes: a
    // close with bytes unread would reset the connection, and with it the
    // answer on its way to the device.
    void finish();
    // Closes at once: with a reset, unless all was sent and the sending side
    // ended (it lingers), where a reset would drop what the system still holds.
    void abort();
    // Hands the descriptor on; nothing of it is touched any more.
    int take();

Q_SIGNALS:
    // Emitted when bytes or the end of the stream can be read.
    void readyRead();
    // Emitted when the system has taken queued bytes.
    void bytesWritten();
    // Emitted once, on a later turn of the event loop, when the device has
    // ended its stream.
    void endReceived();
    // Emitted once, on a later turn of the event loop, when the connection is
    // gone: reset, a write failed, or closed after finish (not after abort or take).
    void closed();

private:
    void readable();
    // Nothing is read once the device has ended its stream; a reset must still end the connection.
    void inputHasEnded();
    // Watches for a reset or an error while nothing is read.
    void watchForHangUp();
    void hungUp();
    void writable();
    // Drops what is waiting; false when the connection failed.
    bool drain();
    void sendQueued();
    // After finish: ends the sending side once all is sent, and closes once the device has ended too.
    void progressFinish();
    void closeAndTell();
    void closeDescriptor();
    void disableNotifiers();
    void timerEvent(QTimerEvent *event) override;

    int m_fd;
    std::chrono::milliseconds m_lingerTime;
    QSocketNotifier *m_readNotifier;
    QSocketNotifier *m_writeNotifier;
    // Made for devices that end their stream while the connection lives on,
    // and for those held back while their reader waits.
    QSocketNotifier *m_hangUpNotifier = nullptr;
    QByteArray m_output;
    qsizetype m_outputSent = 0;
    bool m_inputEnded = false;
    bool m_discarding = false;
    bool m_finishing = false;
    std::optional<std::chrono::steady_clock::time_point> m_lingeringSince;
    int m_lingerTimer = 0;
};

} // namespace devnook
