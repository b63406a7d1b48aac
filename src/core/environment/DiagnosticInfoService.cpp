#include "DiagnosticInfoService.h"

#include "core/projects/AppVersion.h"
#include "core/projects/InstallationIdentityService.h"

#include <QSysInfo>

using namespace Qt::StringLiterals;

namespace devnook::DiagnosticInfoService {

QString summary(KeyValueStore &defaults)
{
    return summary(AppVersion::displayString(), QSysInfo::prettyProductName(),
                   InstallationIdentityService::installationID(defaults));
}

QString summary(const QString &version, const QString &operatingSystem, const QString &installationID)
{
    return u"Devnook diagnostics\nVersion: "_s + version + u"\nOS: "_s + operatingSystem +
           u"\nInstall ID: "_s + installationID;
}

} // namespace devnook::DiagnosticInfoService
