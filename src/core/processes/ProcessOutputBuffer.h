#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace devnook {

// Turns the chunks read from one pipe into whole lines of text. A character
// split across chunks is kept until its last byte arrives, bytes that are not
// UTF-8 become U+FFFD, and the text after the last line break waits for the
// rest of its line.
class ProcessOutputBuffer {
public:
    // Adds a chunk; returns the text of the lines it completes, line breaks
    // included (empty when none is complete).
    QString append(QByteArrayView bytes);

    // Text waiting for its line break, without a character that is still
    // incomplete; for a pipe that has gone quiet.
    QString takePendingLine();

    // Everything left, an incomplete character as U+FFFD; for a pipe whose
    // process has ended.
    QString takeAll();

    bool hasPendingLine() const { return !m_pendingText.isEmpty(); }

private:
    QString m_pendingText;
    // The first bytes of a character whose last bytes have not arrived.
    QByteArray m_pendingBytes;
};

} // namespace devnook
