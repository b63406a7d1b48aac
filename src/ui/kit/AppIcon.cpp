#include "AppIcon.h"

using namespace Qt::StringLiterals;

namespace devnook::AppIcon {

QIcon icon()
{
    return QIcon(u":/icons/devnook.svg"_s);
}

} // namespace devnook::AppIcon
