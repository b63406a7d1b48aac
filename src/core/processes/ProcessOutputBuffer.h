#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>
#include <QStringView>

namespace devnook {

// Turns the chunks read from one pipe into lines of text. A character split
// across chunks is kept until its last byte arrives, bytes that are not UTF-8
// become U+FFFD, and the text after the last line break waits for the rest of
// its line. A line longer than kMaxLineLength keeps its start and ends in a
// mark of the cut, so neither the buffer nor a log of lines grows without
// bound. Each chunk is scanned once, whatever is already waiting.
class ProcessOutputBuffer {
public:
    static constexpr qsizetype kMaxLineLength = 16 * 1024;

    // Adds a chunk; returns the text of the lines it completes, line breaks
    // included (empty when none is complete).
    QString append(QByteArrayView bytes);

    // Text waiting for its line break, as a line of its own, without a
    // character that is still incomplete; for a pipe that has gone quiet or a
    // line that has waited long enough.
    QString takePendingLine();

    // Everything left, an incomplete character as U+FFFD; for a pipe whose
    // process has ended.
    QString takeAll();

    bool hasPendingLine() const { return !m_pendingText.isEmpty() || m_cutLength > 0; }

private:
    // Tells whether the first bytes of a character are waiting for the rest.
    class Utf8Decoder : public QStringDecoder {
    public:
        Utf8Decoder() : QStringDecoder(QStringDecoder::Utf8) {}
        bool holdsPartialCharacter() const { return state.remainingChars > 0; }
    };

    void addToLine(QStringView piece);

    Utf8Decoder m_decoder;
    // The start of the line, at most kMaxLineLength long.
    QString m_pendingText;
    // How much of the line was left out after its start.
    qsizetype m_cutLength = 0;
};

} // namespace devnook
