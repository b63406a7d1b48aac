#include "DefaultSignalPayload.h"

#include "BuildInfo.h"
#include "TelemetryCoding.h"

#include <QFile>
#include <QRegularExpression>
#include <QSysInfo>
#include <QVersionNumber>
#include <sys/utsname.h>

using namespace Qt::StringLiterals;

namespace devnook {

namespace {

const QString kPlatform = u"Linux"_s;
const QString kClientVersion = u"1.0.0"_s;
const QString kNotAvailable = u"N/A"_s;

QString flag(bool value)
{
    return value ? u"true"_s : u"false"_s;
}

QStringList localeNameParts(const QString &name)
{
    static const QRegularExpression separators(u"[-_]"_s);
    return name.split(separators);
}

// The Gregorian calendar's default week of year, not the ISO week: weeks
// begin on Sunday and week 1 is the one that holds 1 January, so the last
// days of December that share a week with it are week 1 already.
int weekOfYear(QDate date)
{
    const int weekday = date.dayOfWeek() % 7; // Sunday 0
    if (date.addDays(6 - weekday).year() != date.year())
        return 1;
    const int firstWeekday = QDate(date.year(), 1, 1).dayOfWeek() % 7;
    return (date.dayOfYear() - 1 + firstWeekday) / 7 + 1;
}

} // namespace

SystemFacts SystemFacts::current()
{
    SystemFacts facts;
    const QVersionNumber version = QVersionNumber::fromString(QSysInfo::productVersion());
    facts.majorVersion = version.majorVersion();
    facts.minorVersion = version.minorVersion();
    facts.patchVersion = version.microVersion();
    facts.architecture = QSysInfo::currentCpuArchitecture();
    QFile productName(u"/sys/class/dmi/id/product_name"_s);
    utsname names{};
    const QByteArray machine = ::uname(&names) == 0 ? QByteArray(names.machine) : QByteArray();
    facts.modelName = DefaultSignalPayload::modelName(
        productName.open(QIODevice::ReadOnly) ? productName.readAll() : QByteArray(), machine);
    facts.appVersion = QString::fromLatin1(BuildInfo::kVersion);
    facts.buildNumber = QString::fromLatin1(BuildInfo::kBuildNumber);
    return facts;
}

namespace DefaultSignalPayload {

TelemetryParameters parameters(const SystemFacts &system, const DisplayFacts &display, Timestamp now,
                               const QLocale &locale, const QStringList &preferredLanguages)
{
    const QString appVersion = system.appVersion.isEmpty() ? u"0"_s : system.appVersion;
    const QString buildNumber = system.buildNumber.isEmpty() ? u"0"_s : system.buildNumber;
    const QString majorVersion = kPlatform + u' ' + QString::number(system.majorVersion);
    const QString majorMinorVersion = majorVersion + u'.' + QString::number(system.minorVersion);
    const QString systemVersion = majorMinorVersion + u'.' + QString::number(system.patchVersion);
    // No application store sells this build.
    const bool isTestFlight = false;
    const QString regionCode = region(locale);
    const QString language = appLanguage(locale);
    const QString preferred = preferredLanguage(preferredLanguages);
    const auto screen = display.mainScreen();
    const auto screenText = [&screen](double DisplayFacts::Screen::*field) {
        return screen ? TelemetryCoding::decimalText((*screen).*field) : kNotAvailable;
    };
    const auto direction = display.layoutDirection();
    const auto scheme = display.colorScheme();
    const QString offset = timeZoneText(now.toDateTime().toLocalTime().offsetFromUtc());

    TelemetryParameters payload{
        {u"platform"_s, kPlatform},
        {u"systemVersion"_s, systemVersion},
        {u"majorSystemVersion"_s, majorVersion},
        {u"majorMinorSystemVersion"_s, majorMinorVersion},
        {u"appVersion"_s, appVersion},
        {u"buildNumber"_s, buildNumber},
        {u"isSimulator"_s, flag(false)},
        {u"isDebug"_s, flag(false)},
        {u"isTestFlight"_s, flag(isTestFlight)},
        {u"isAppStore"_s, flag(!isTestFlight)},
        {u"modelName"_s, system.modelName},
        {u"architecture"_s, system.architecture},
        {u"operatingSystem"_s, kPlatform},
        {u"targetEnvironment"_s, u"native"_s},
        {u"locale"_s, locale.name()},
        {u"region"_s, regionCode},
        {u"appLanguage"_s, language},
        {u"preferredLanguage"_s, preferred},
        {u"telemetryClientVersion"_s, kClientVersion},
        {u"Telemetry.AppInfo.buildNumber"_s, buildNumber},
        {u"Telemetry.AppInfo.version"_s, appVersion},
        {u"Telemetry.AppInfo.versionAndBuildNumber"_s, appVersion + u" (build "_s + buildNumber + u')'},
        {u"Telemetry.Device.architecture"_s, system.architecture},
        {u"Telemetry.Device.modelName"_s, system.modelName},
        {u"Telemetry.Device.operatingSystem"_s, kPlatform},
        {u"Telemetry.Device.orientation"_s, u"Fixed"_s},
        {u"Telemetry.Device.platform"_s, kPlatform},
        {u"Telemetry.Device.screenResolutionHeight"_s, screenText(&DisplayFacts::Screen::height)},
        {u"Telemetry.Device.screenResolutionWidth"_s, screenText(&DisplayFacts::Screen::width)},
        {u"Telemetry.Device.screenScaleFactor"_s, screenText(&DisplayFacts::Screen::scaleFactor)},
        {u"Telemetry.Device.systemMajorMinorVersion"_s, majorMinorVersion},
        {u"Telemetry.Device.systemMajorVersion"_s, majorVersion},
        {u"Telemetry.Device.systemVersion"_s, systemVersion},
        {u"Telemetry.Device.timeZone"_s, offset},
        {u"Telemetry.RunContext.isAppStore"_s, flag(!isTestFlight)},
        {u"Telemetry.RunContext.isDebug"_s, flag(false)},
        {u"Telemetry.RunContext.isSimulator"_s, flag(false)},
        {u"Telemetry.RunContext.isTestFlight"_s, flag(isTestFlight)},
        {u"Telemetry.RunContext.language"_s, language},
        {u"Telemetry.RunContext.locale"_s, locale.name()},
        {u"Telemetry.RunContext.targetEnvironment"_s, u"native"_s},
        {u"Telemetry.SDK.name"_s, u"DevnookTelemetryClient"_s},
        {u"Telemetry.SDK.nameAndVersion"_s, u"DevnookTelemetryClient "_s + kClientVersion},
        {u"Telemetry.SDK.version"_s, kClientVersion},
        {u"Telemetry.UserPreference.colorScheme"_s, !scheme ? kNotAvailable
                                                    : *scheme == DisplayFacts::ColorScheme::dark
                                                        ? u"Dark"_s
                                                        : u"Light"_s},
        {u"Telemetry.UserPreference.language"_s, preferred},
        {u"Telemetry.UserPreference.layoutDirection"_s, !direction                      ? kNotAvailable
                                                        : *direction == Qt::RightToLeft ? u"rightToLeft"_s
                                                                                        : u"leftToRight"_s},
        {u"Telemetry.UserPreference.region"_s, regionCode},
    };
    return TelemetryCoding::merged(std::move(payload), calendarParameters(now));
}

TelemetryParameters calendarParameters(Timestamp now)
{
    const QDateTime local = now.toDateTime().toLocalTime();
    const QDate date = local.date();
    const int dayOfWeek = date.dayOfWeek();
    return {
        {u"Telemetry.Calendar.dayOfMonth"_s, QString::number(date.day())},
        {u"Telemetry.Calendar.dayOfWeek"_s, QString::number(dayOfWeek)},
        {u"Telemetry.Calendar.dayOfYear"_s, QString::number(date.dayOfYear())},
        {u"Telemetry.Calendar.weekOfYear"_s, QString::number(weekOfYear(date))},
        {u"Telemetry.Calendar.isWeekend"_s, flag(dayOfWeek > 5)},
        {u"Telemetry.Calendar.monthOfYear"_s, QString::number(date.month())},
        {u"Telemetry.Calendar.quarterOfYear"_s, QString::number((date.month() - 1) / 3 + 1)},
        {u"Telemetry.Calendar.hourOfDay"_s, QString::number(local.time().hour() + 1)},
    };
}

QString timeZoneText(int offsetSeconds)
{
    const int magnitude = std::abs(offsetSeconds);
    const int minutes = magnitude / 60 % 60;
    QString text = u"UTC"_s + (offsetSeconds >= 0 ? u'+' : u'-') + QString::number(magnitude / 3600);
    if (minutes != 0)
        text += u':' + QString::number(minutes).rightJustified(2, u'0');
    return text;
}

QString region(const QLocale &locale)
{
    const QString code = QLocale::territoryToCode(locale.territory());
    return code.isEmpty() ? localeNameParts(locale.name()).constLast() : code;
}

QString appLanguage(const QLocale &locale)
{
    const QString code = QLocale::languageToCode(locale.language());
    return code.isEmpty() ? localeNameParts(locale.name()).constFirst() : code;
}

QString preferredLanguage(const QStringList &preferredLanguages)
{
    return localeNameParts(preferredLanguages.value(0, u"zz-ZZ"_s)).constFirst();
}

QString modelName(const QByteArray &productName, const QByteArray &machineName)
{
    const qsizetype end = productName.indexOf('\0');
    const QString model = QString::fromUtf8(end < 0 ? productName : productName.left(end)).trimmed();
    return model.isEmpty() ? QString::fromUtf8(machineName) : model;
}

} // namespace DefaultSignalPayload

} // namespace devnook
