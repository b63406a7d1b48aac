#include "TerminalEscapes.h"

namespace devnook::TerminalEscapes {

namespace {

constexpr char16_t kEscape = 0x1B;
constexpr char16_t kBell = 0x07;

// The index after a control sequence whose introducer ends at start: any
// parameter and intermediate bytes, then one final byte from "@" to "~".
qsizetype controlSequenceEnd(QStringView text, qsizetype start)
{
    qsizetype i = start;
    while (i < text.size() && text[i].unicode() >= 0x20 && text[i].unicode() <= 0x3F)
        ++i;
    while (i < text.size() && text[i].unicode() >= 0x20 && text[i].unicode() <= 0x2F)
        ++i;
    if (i < text.size() && text[i].unicode() >= 0x40 && text[i].unicode() <= 0x7E)
        return i + 1;
    return i;
}

// The index after an operating-system command: up to BEL or ESC \, or to
// the end of an unterminated one.
qsizetype commandStringEnd(QStringView text, qsizetype start)
{
    for (qsizetype i = start; i < text.size(); ++i) {
        if (text[i] == kBell)
            return i + 1;
        if (text[i] == kEscape && i + 1 < text.size() && text[i + 1] == u'\\')
            return i + 2;
    }
    return text.size();
}

} // namespace

QString stripped(QStringView text)
{
    if (!text.contains(QChar(kEscape)))
        return text.toString();
    QString result;
    result.reserve(text.size());
    qsizetype i = 0;
    while (i < text.size()) {
        if (text[i] != kEscape) {
            result += text[i++];
            continue;
        }
        if (i + 1 >= text.size())
            break;
        const QChar introducer = text[i + 1];
        if (introducer == u'[')
            i = controlSequenceEnd(text, i + 2);
        else if (introducer == u']')
            i = commandStringEnd(text, i + 2);
        else
            i += 2;
    }
    return result;
}

} // namespace devnook::TerminalEscapes
