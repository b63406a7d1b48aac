#include "core/projects/AppSettings.h"

#include "core/foundation/KeyValueStore.h"
#include "core/projects/AnalyticsConfigurator.h"
#include "core/projects/InstallationIdentityService.h"
#include "core/projects/LoginItemService.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace devnook;

namespace {

class FakeLoginItem final : public LoginItemService {
public:
    bool enabled = false;
    bool failNextSwitch = false;

    bool isEnabled() const override { return enabled; }
    Result<void> setEnabled(bool wanted) override
    {
        if (failNextSwitch)
            return Result<void>::failure(u"autostart folder is read-only"_s);
        enabled = wanted;
        return Result<void>::success();
    }
};

class CountingAnalytics final : public AnalyticsConfigurator {
public:
    int configureCalls = 0;
    void configureIfNeeded() override { ++configureCalls; }
};

} // namespace

class AppSettingsTest : public QObject {
    Q_OBJECT

private:
    MemoryKeyValueStore m_defaults;
    FakeLoginItem m_loginItem;
    CountingAnalytics m_analytics;

    std::unique_ptr<AppSettings> makeSettings(bool systemDark = false)
    {
        return std::make_unique<AppSettings>(m_defaults, m_loginItem, m_analytics, systemDark);
    }

private Q_SLOTS:
    void init()
    {
        m_defaults = MemoryKeyValueStore();
        m_loginItem = FakeLoginItem();
        m_analytics.configureCalls = 0;
    }

    void firstLaunchStoresNothing()
    {
        m_loginItem.enabled = true;
        const auto settings = makeSettings();
        QCOMPARE(settings->theme(), AppTheme::system);
        QVERIFY(!settings->pauseUsageTrackingWhenIdle());
        QVERIFY(settings->anonymousAnalyticsEnabled());
        QVERIFY(settings->launchAtLoginEnabled());
        QVERIFY(!m_defaults.contains(AppSettings::kThemeKey));
        QVERIFY(!m_defaults.contains(AppSettings::kPauseWhenIdleKey));
        QVERIFY(!m_defaults.contains(AppSettings::kAnalyticsKey));
    }

    void storedValues_data()
    {
        QTest::addColumn<QVariant>("storedTheme");
        QTest::addColumn<AppTheme>("theme");
        QTest::newRow("dark") << QVariant(u"dark"_s) << AppTheme::dark;
        QTest::newRow("light") << QVariant(u"light"_s) << AppTheme::light;
        QTest::newRow("capitalised") << QVariant(u"Dark"_s) << AppTheme::system;
        QTest::newRow("number") << QVariant(3) << AppTheme::system;
    }

    void storedValues()
    {
        QFETCH(QVariant, storedTheme);
        QFETCH(AppTheme, theme);
        m_defaults.setValue(AppSettings::kThemeKey, storedTheme);
        m_defaults.setValue(AppSettings::kAnalyticsKey, false);
        m_defaults.setValue(AppSettings::kPauseWhenIdleKey, u"true"_s);
        const auto settings = makeSettings();
        QCOMPARE(settings->theme(), theme);
        QVERIFY(!settings->anonymousAnalyticsEnabled());
        QVERIFY(settings->pauseUsageTrackingWhenIdle());
    }

    // Each assignment stores and applies the theme, a repeated one too; the
    // desktop's switch matters only under the system theme.
    void themeChangesApplyWhereTheyMatter()
    {
        m_defaults.setValue(AppSettings::kThemeKey, u"light"_s);
        const auto settings = makeSettings();
        QSignalSpy changes(settings.get(), &AppSettings::themeDidChange);
        settings->systemAppearanceChanged(true);
        QCOMPARE(changes.size(), 0);
        QCOMPARE(settings->resolvedColorScheme(), ColorScheme::light);
        settings->setTheme(AppTheme::dark);
        settings->setTheme(AppTheme::dark);
        QCOMPARE(m_defaults.stringValue(AppSettings::kThemeKey), u"dark"_s);
        QCOMPARE(changes.size(), 2);

        settings->setTheme(AppTheme::system);
        QCOMPARE(settings->resolvedColorScheme(), ColorScheme::dark);
        settings->systemAppearanceChanged(false);
        QCOMPARE(changes.size(), 4);
        QCOMPARE(settings->appearanceGeneration(), 5);
        QCOMPARE(settings->resolvedColorScheme(), ColorScheme::light);
    }

    void failedLaunchAtLoginShowsTheRealState()
    {
        const auto settings = makeSettings();
        m_loginItem.failNextSwitch = true;
        settings->setLaunchAtLoginEnabled(true);
        QVERIFY(!settings->launchAtLoginEnabled());
        QCOMPARE(settings->lastError(), std::optional(u"autostart folder is read-only"_s));
        m_loginItem.failNextSwitch = false;
        settings->setLaunchAtLoginEnabled(true);
        QVERIFY(settings->launchAtLoginEnabled());
        QVERIFY(!settings->lastError());
    }

    void givingConsentConfiguresAnalytics()
    {
        const auto settings = makeSettings();
        settings->setAnonymousAnalyticsEnabled(false);
        QCOMPARE(m_analytics.configureCalls, 0);
        QCOMPARE(m_defaults.value(AppSettings::kAnalyticsKey).toBool(), false);
        settings->setAnonymousAnalyticsEnabled(true);
        QCOMPARE(m_analytics.configureCalls, 1);
    }

    void installationIdentifierIsMadeOnce()
    {
        const QString first = InstallationIdentityService::installationID(m_defaults);
        QCOMPARE(first.size(), 36);
        QCOMPARE(first, first.toUpper());
        QCOMPARE(InstallationIdentityService::installationID(m_defaults), first);
        m_defaults.setValue(InstallationIdentityService::kInstallationIDKey, QString());
        const QString replaced = InstallationIdentityService::installationID(m_defaults);
        QVERIFY(!replaced.isEmpty() && replaced != first);
    }
};

QTEST_GUILESS_MAIN(AppSettingsTest)
#include "AppSettingsTest.moc"
