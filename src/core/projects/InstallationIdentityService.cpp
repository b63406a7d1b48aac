#include "InstallationIdentityService.h"

#include "core/foundation/KeyValueStore.h"
#include "core/foundation/UuidText.h"

namespace devnook::InstallationIdentityService {

QString installationID(KeyValueStore &defaults)
{
    const QString stored = defaults.stringValue(kInstallationIDKey);
    if (!stored.isEmpty())
        return stored;
    const QString fresh = UuidText::format(QUuid::createUuid());
    defaults.setValue(kInstallationIDKey, fresh);
    return fresh;
}

} // namespace devnook::InstallationIdentityService
