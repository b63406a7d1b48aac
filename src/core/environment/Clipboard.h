#pragma once

#include <QString>

namespace devnook {

// The desktop's clipboard.
class Clipboard {
public:
    virtual ~Clipboard() = default;

    // Clears the clipboard, then makes the text its only content.
    virtual void setText(const QString &text) = 0;
};

} // namespace devnook
