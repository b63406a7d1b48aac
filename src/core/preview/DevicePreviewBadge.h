#pragma once

#include "DevicePreviewRecords.h"

#include <QString>
#include <optional>

namespace devnook {

// How a LAN address's reachability shows beside it: a progress indicator
// until a result is in, then a pill that checks the address again when
// clicked, and under an unreachable address why and what to do.
struct DevicePreviewBadge {
    bool isProgress = true;
    QString titleKey;
    // 0xRRGGBB, the same in light and dark.
    quint32 dotRgb = 0;
    quint32 backgroundRgb = 0;
    // Localised, as is everything below.
    QString tooltip;
    // Both empty unless the address is unreachable.
    QString failureDescription;
    QString guidance;

    // The pill's text colour in every appearance.
    static constexpr quint32 kTextRgb = 0x212121;

    // None or checking: the progress indicator.
    static DevicePreviewBadge of(const std::optional<DevicePreviewReachability> &reachability);

    bool operator==(const DevicePreviewBadge &) const = default;
};

} // namespace devnook
