#pragma once

#include "core/environment/UrlOpener.h"

namespace devnook {

// Opens nothing.
class NullUrlOpener final : public UrlOpener {
public:
    void open(const QUrl &) override {}
};

} // namespace devnook
