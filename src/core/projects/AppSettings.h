#pragma once

#include "AppTheme.h"

#include <QObject>
#include <QString>
#include <optional>

namespace devnook {

class AnalyticsConfigurator;
class KeyValueStore;
class LoginItemService;

enum class ColorScheme { light, dark };

// The user's settings: theme, idle pause, launch at login and analytics
// consent. Stored in the user defaults, except launch at login, whose truth is
// the login item itself. Nothing is stored until the user changes a value.
class AppSettings final : public QObject {
    Q_OBJECT

public:
    static inline const QString kThemeKey = QStringLiteral("Devnook.theme");
    static inline const QString kPauseWhenIdleKey = QStringLiteral("Devnook.pauseUsageTrackingWhenIdle");
    static inline const QString kAnalyticsKey = QStringLiteral("Devnook.anonymousAnalyticsEnabled");

    // Reads the stored values, the login item's state and applies the theme
    // once. systemPrefersDark is the desktop's light or dark setting at start.
    AppSettings(KeyValueStore &defaults, LoginItemService &loginItem, AnalyticsConfigurator &analytics,
                bool systemPrefersDark = false, QObject *parent = nullptr);

    AppTheme theme() const { return m_theme; }
    // Stores the theme (also when unchanged) and applies it.
    void setTheme(AppTheme theme);

    // Grows by one each time an appearance is applied.
    int appearanceGeneration() const { return m_appearanceGeneration; }

    // The scheme views paint with: the theme's, or the desktop's under system.
    ColorScheme resolvedColorScheme() const;

    // Called by the desktop watcher when the system switches light and dark.
    void systemAppearanceChanged(bool prefersDark);

    bool launchAtLoginEnabled() const { return m_launchAtLoginEnabled; }
    // Asks the login item to switch, then shows its real state.
    void setLaunchAtLoginEnabled(bool enabled);

    bool pauseUsageTrackingWhenIdle() const { return m_pauseUsageTrackingWhenIdle; }
    void setPauseUsageTrackingWhenIdle(bool enabled);

    bool anonymousAnalyticsEnabled() const { return m_anonymousAnalyticsEnabled; }
    // Stores the consent; giving it sets the analytics facade up.
    void setAnonymousAnalyticsEnabled(bool enabled);

    // Why the settings are not kept past this run; empty when they are.
    QString storageProblem() const;

    // The last launch-at-login failure, cleared by the next success.
    const std::optional<QString> &lastError() const { return m_lastError; }

Q_SIGNALS:
    // Emitted each time an appearance is applied: at creation, on a theme
    // assignment, and on a system switch while the theme follows the system.
    void themeDidChange();
    // Emitted when any published value changes.
    void settingsChanged();

private:
    void applyTheme();

    KeyValueStore &m_defaults;
    LoginItemService &m_loginItem;
    AnalyticsConfigurator &m_analytics;
    AppTheme m_theme = AppTheme::system;
    int m_appearanceGeneration = 0;
    bool m_systemPrefersDark = false;
    bool m_launchAtLoginEnabled = false;
    bool m_pauseUsageTrackingWhenIdle = false;
    bool m_anonymousAnalyticsEnabled = true;
    std::optional<QString> m_lastError;
};

} // namespace devnook
