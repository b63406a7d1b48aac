#include "AppVersion.h"

#include "BuildInfo.h"

using namespace Qt::StringLiterals;

namespace devnook::AppVersion {

QString displayString()
{
    return displayString(QString::fromLatin1(BuildInfo::kVersion),
                         QString::fromLatin1(BuildInfo::kBuildNumber));
}

QString displayString(const QString &shortVersion, const QString &build)
{
    const QString version = shortVersion.isEmpty() ? u"0.2.3"_s : shortVersion;
    const QString number = build.isEmpty() ? u"43"_s : build;
    return version + u" ("_s + number + u')';
}

} // namespace devnook::AppVersion
