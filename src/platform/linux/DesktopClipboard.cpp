#include "DesktopClipboard.h"

#include <QClipboard>
#include <QGuiApplication>

namespace devnook {

void DesktopClipboard::setText(const QString &text)
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return;
    clipboard->clear();
    clipboard->setText(text);
}

} // namespace devnook
