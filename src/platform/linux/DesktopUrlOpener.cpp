#include "DesktopUrlOpener.h"

#include <QDesktopServices>

namespace devnook {

void DesktopUrlOpener::open(const QUrl &url)
{
    QDesktopServices::openUrl(url);
}

} // namespace devnook
