#pragma once

#include <QUrl>

namespace devnook {

// Hands an address to the desktop's default handler (the browser for web
// addresses, the default application for files).
class UrlOpener {
public:
    virtual ~UrlOpener() = default;

    virtual void open(const QUrl &url) = 0;
};

} // namespace devnook
