#pragma once

#include "core/environment/UrlOpener.h"

namespace devnook {

// Opens addresses with the desktop's default handlers.
class DesktopUrlOpener final : public UrlOpener {
public:
    void open(const QUrl &url) override;
};

} // namespace devnook
