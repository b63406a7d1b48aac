#include "DevicePreviewBadge.h"

#include "core/foundation/L10n.h"

using namespace Qt::StringLiterals;

namespace devnook {

DevicePreviewBadge DevicePreviewBadge::of(const std::optional<DevicePreviewReachability> &reachability)
{
    DevicePreviewBadge badge;
    if (!reachability || reachability->state == DevicePreviewReachability::State::checking)
        return badge;
    badge.isProgress = false;
    if (reachability->state == DevicePreviewReachability::State::available) {
        badge.titleKey = u"device_preview_available"_s;
        badge.dotRgb = 0x22C55E;
        badge.backgroundRgb = 0xDCFCE7;
        badge.tooltip = L10n::text(u"device_preview_refresh"_s);
        return badge;
    }
    badge.titleKey = u"device_preview_unavailable"_s;
    badge.dotRgb = 0xEF4444;
    badge.backgroundRgb = 0xFEE2E2;
    badge.failureDescription = reachability->reason.localizedDescription();
    badge.guidance = reachability->reason.localizedGuidance();
    badge.tooltip = badge.failureDescription;
    return badge;
}

} // namespace devnook
