#include "ProcessOutputBuffer.h"

#include "core/foundation/Text.h"

namespace devnook {

namespace {

bool isContinuationByte(char byte)
{
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

// The length that a lead byte announces; 0 for a byte that cannot lead.
int sequenceLength(char byte)
{
    const auto value = static_cast<unsigned char>(byte);
    if ((value & 0xE0) == 0xC0)
        return 2;
    if ((value & 0xF0) == 0xE0)
        return 3;
    if ((value & 0xF8) == 0xF0)
        return 4;
    return 0;
}

// How many bytes at the end begin a character that the next chunk completes.
qsizetype incompleteTailLength(QByteArrayView bytes)
{
    qsizetype continuation = 0;
    while (continuation < 3 && continuation < bytes.size() &&
           isContinuationByte(bytes[bytes.size() - 1 - continuation]))
        ++continuation;
    if (continuation == bytes.size())
        return 0;
    const qsizetype available = continuation + 1;
    return sequenceLength(bytes[bytes.size() - available]) > available ? available : 0;
}

} // namespace

QString ProcessOutputBuffer::append(QByteArrayView bytes)
{
    QByteArray data = m_pendingBytes;
    data.append(bytes);
    const qsizetype tail = incompleteTailLength(data);
    m_pendingBytes = data.right(tail);
    data.chop(tail);
    m_pendingText += QString::fromUtf8(data);

    qsizetype end = m_pendingText.size();
    while (end > 0 && !Text::isLineBreak(m_pendingText[end - 1]))
        --end;
    if (end == 0)
        return {};
    QString complete = m_pendingText.left(end);
    m_pendingText.remove(0, end);
    return complete;
}

QString ProcessOutputBuffer::takePendingLine()
{
    return std::exchange(m_pendingText, QString());
}

QString ProcessOutputBuffer::takeAll()
{
    QString rest = std::exchange(m_pendingText, QString());
    rest += QString::fromUtf8(std::exchange(m_pendingBytes, QByteArray()));
    return rest;
}

} // namespace devnook
