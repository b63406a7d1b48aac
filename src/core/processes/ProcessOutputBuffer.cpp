#include "ProcessOutputBuffer.h"

#include "core/foundation/Text.h"

using namespace Qt::StringLiterals;

namespace devnook {

QString ProcessOutputBuffer::append(QByteArrayView bytes)
{
    const QString text = m_decoder.decode(bytes);
    const QStringView view(text);
    QString complete;
    qsizetype lineStart = 0;
    for (qsizetype i = 0; i < view.size(); ++i) {
        if (!Text::isLineBreak(view[i]))
            continue;
        const QStringView piece = view.sliced(lineStart, i - lineStart);
        if (hasPendingLine() || piece.size() > kMaxLineLength) {
            addToLine(piece);
            complete += takePendingLine();
        } else {
            complete += piece;
        }
        complete += view[i];
        lineStart = i + 1;
    }
    addToLine(view.sliced(lineStart));
    return complete;
}

void ProcessOutputBuffer::addToLine(QStringView piece)
{
    qsizetype kept = m_cutLength > 0 ? 0 : std::min(piece.size(), kMaxLineLength - m_pendingText.size());
    // The cut must not split a surrogate pair.
    if (kept > 0 && kept < piece.size() && piece[kept - 1].isHighSurrogate())
        --kept;
    m_pendingText += piece.first(kept);
    m_cutLength += piece.size() - kept;
}

QString ProcessOutputBuffer::takePendingLine()
{
    QString line = std::exchange(m_pendingText, QString());
    if (m_cutLength > 0)
        line += u" [… %1 more characters cut]"_s.arg(std::exchange(m_cutLength, 0));
    return line;
}

QString ProcessOutputBuffer::takeAll()
{
    if (m_decoder.holdsPartialCharacter())
        addToLine(u"\uFFFD");
    m_decoder.resetState();
    return takePendingLine();
}

} // namespace devnook
