#pragma once

#include "core/environment/Clipboard.h"

namespace devnook {

// The application's clipboard; needs the GUI application to exist.
class DesktopClipboard final : public Clipboard {
public:
    void setText(const QString &text) override;
};

} // namespace devnook
