#include "DevicePreviewRecords.h"

#include "core/foundation/L10n.h"

using namespace Qt::StringLiterals;

namespace devnook {

QString DevicePreviewCandidate::id() const
{
    return interfaceName + u'-' + address + u'-' + url.toString();
}

QString DevicePreviewFailureReason::localizedDescription() const
{
    switch (kind) {
    case Kind::httpStatus:
        return L10n::format(u"device_preview_failure_http_status"_s, {QString::number(status)});
    case Kind::localServiceUnavailable:
        return L10n::text(u"device_preview_failure_local_service"_s);
    case Kind::timeout:
        return L10n::text(u"device_preview_failure_timeout"_s);
    case Kind::connectionRefused:
        return L10n::text(u"device_preview_failure_connection_refused"_s);
    case Kind::secureConnectionFailed:
        return L10n::text(u"device_preview_failure_https"_s);
    case Kind::network:
        break;
    }
    return L10n::text(u"device_preview_failure_network"_s);
}

QString DevicePreviewFailureReason::localizedGuidance() const
{
    switch (kind) {
    case Kind::httpStatus:
        return L10n::text(u"device_preview_guidance_http_status"_s);
    case Kind::localServiceUnavailable:
    case Kind::connectionRefused:
        return L10n::text(u"device_preview_guidance_start_service"_s);
    case Kind::timeout:
        return L10n::text(u"device_preview_guidance_timeout"_s);
    case Kind::secureConnectionFailed:
        return L10n::text(u"device_preview_guidance_https"_s);
    case Kind::network:
        break;
    }
    return L10n::text(u"device_preview_guidance_network"_s);
}

} // namespace devnook
