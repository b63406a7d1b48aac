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

} // namespace devnook::Text
