#pragma once

#include "DisplayFacts.h"
#include "TelemetryManagerConfiguration.h"
#include "core/foundation/Timestamp.h"

#include <QLocale>
#include <QStringList>

namespace devnook {

// Facts of the machine and the build that do not change while the app runs.
struct SystemFacts {
    // The distribution's version, as far as it gives numbers; 0 for the rest.
    int majorVersion = 0;
    int minorVersion = 0;
    int patchVersion = 0;
    QString architecture;
    QString modelName;
    QString appVersion;
    QString buildNumber;

    // The facts of this machine and build.
    static SystemFacts current();
};

// The parameters every signal carries by default: application, device, run
// context, preferences and calendar. Values are strings; missing facts "N/A".
namespace DefaultSignalPayload {

// The whole default payload, without the session manager's retention figures.
TelemetryParameters parameters(const SystemFacts &system, const DisplayFacts &display, Timestamp now,
                               const QLocale &locale, const QStringList &preferredLanguages);

// The eight "Telemetry.Calendar." entries of the moment in the local zone.
TelemetryParameters calendarParameters(Timestamp now);

// "UTC+2", "UTC+5:30", "UTC-3:30", "UTC+0" for an offset from GMT in seconds.
QString timeZoneText(int offsetSeconds);

// The locale's region code, else the last part of its name.
QString region(const QLocale &locale);
// The locale's language code, else the first part of its name.
QString appLanguage(const QLocale &locale);
// The language part of the first preferred language; "zz" for none.
QString preferredLanguage(const QStringList &preferredLanguages);

// The hardware model from its product name, else the machine name.
QString modelName(const QByteArray &productName, const QByteArray &machineName);

} // namespace DefaultSignalPayload

} // namespace devnook
