#pragma once

#include "core/environment/UrlOpener.h"

namespace devnook {

// Opens nothing.
class NullUrlOpener final : public UrlOpener {
public:
    Result<void> open(const QUrl &) override { return Result<void>::success(); }
};

} // namespace devnook
