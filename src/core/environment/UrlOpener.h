#pragma once

#include "core/foundation/Result.h"

#include <QUrl>

namespace devnook {

// Hands an address to the desktop's default handler (the browser for web
// addresses, the mail client for "mailto", the default application for
// files).
class UrlOpener {
public:
    virtual ~UrlOpener() = default;

    // Fails, with the reason, when no handler could be started. The reason
    // never holds the address, whose query may carry private text.
    virtual Result<void> open(const QUrl &url) = 0;
};

} // namespace devnook
