#include "Text.h"

namespace devnook::Text {

QString trimmed(QStringView text)
{
    return text.trimmed().toString();
}

bool isBlank(QStringView text)
{
    return text.trimmed().isEmpty();
}

bool isLineBreak(QChar c)
{
    switch (c.unicode()) {
    case 0x0A:
    case 0x0B:
    case 0x0C:
    case 0x0D:
    case 0x85:
    case 0x2028:
    case 0x2029:
        return true;
    default:
        return false;
    }
}

} // namespace devnook::Text
