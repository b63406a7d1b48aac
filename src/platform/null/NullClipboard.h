#pragma once

#include "core/environment/Clipboard.h"

namespace devnook {

// A clipboard that keeps nothing.
class NullClipboard final : public Clipboard {
public:
    void setText(const QString &) override {}
};

} // namespace devnook
