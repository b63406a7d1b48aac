#pragma once

#include "core/environment/UrlOpener.h"

#include <QString>

namespace devnook {

// Opens addresses with the desktop's default handlers through xdg-open, which
// the freedesktop desktops configure. QDesktopServices would print the whole
// address, query included, when no handler exists.
class DesktopUrlOpener final : public UrlOpener {
public:
    // program: the opener to start, xdg-open found on PATH unless given.
    explicit DesktopUrlOpener(QString program = QStringLiteral("xdg-open"));

    Result<void> open(const QUrl &url) override;

private:
    QString m_program;
};

} // namespace devnook
