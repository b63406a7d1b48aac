#include "AppSettings.h"

#include "core/foundation/KeyValueStore.h"
#include "core/projects/AnalyticsConfigurator.h"
#include "core/projects/LoginItemService.h"

namespace devnook {

AppSettings::AppSettings(KeyValueStore &defaults, LoginItemService &loginItem,
                         AnalyticsConfigurator &analytics, bool systemPrefersDark, QObject *parent)
    : QObject(parent), m_defaults(defaults), m_loginItem(loginItem), m_analytics(analytics),
      m_systemPrefersDark(systemPrefersDark)
{
    m_theme = AppThemes::fromStoredValue(m_defaults.stringValue(kThemeKey));
    m_pauseUsageTrackingWhenIdle = m_defaults.value(kPauseWhenIdleKey).toBool();
    m_anonymousAnalyticsEnabled =
        m_defaults.contains(kAnalyticsKey) ? m_defaults.value(kAnalyticsKey).toBool() : true;
    m_launchAtLoginEnabled = m_loginItem.isEnabled();
    applyTheme();
}

QString AppSettings::storageProblem() const
{
    return m_defaults.storageProblem();
}

void AppSettings::setTheme(AppTheme theme)
{
    m_defaults.setValue(kThemeKey, AppThemes::rawValue(theme));
    m_theme = theme;
    applyTheme();
}

void AppSettings::applyTheme()
{
    ++m_appearanceGeneration;
    Q_EMIT themeDidChange();
    Q_EMIT settingsChanged();
}

ColorScheme AppSettings::resolvedColorScheme() const
{
    switch (m_theme) {
    case AppTheme::light:
        return ColorScheme::light;
    case AppTheme::dark:
        return ColorScheme::dark;
    case AppTheme::system:
        break;
    }
    return m_systemPrefersDark ? ColorScheme::dark : ColorScheme::light;
}

void AppSettings::systemAppearanceChanged(bool prefersDark)
{
    m_systemPrefersDark = prefersDark;
    if (m_theme == AppTheme::system)
        applyTheme();
}

void AppSettings::setLaunchAtLoginEnabled(bool enabled)
{
    const Result<void> switched = m_loginItem.setEnabled(enabled);
    if (switched)
        m_lastError.reset();
    else
        m_lastError = switched.error();
    m_launchAtLoginEnabled = m_loginItem.isEnabled();
    Q_EMIT settingsChanged();
}

void AppSettings::setPauseUsageTrackingWhenIdle(bool enabled)
{
    m_defaults.setValue(kPauseWhenIdleKey, enabled);
    m_pauseUsageTrackingWhenIdle = enabled;
    Q_EMIT settingsChanged();
}

void AppSettings::setAnonymousAnalyticsEnabled(bool enabled)
{
    m_defaults.setValue(kAnalyticsKey, enabled);
    m_anonymousAnalyticsEnabled = enabled;
    if (enabled)
        m_analytics.configureIfNeeded();
    Q_EMIT settingsChanged();
}

} // namespace devnook
