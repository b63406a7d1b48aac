#include "ShellDoubles.h"
#include "core/foundation/KeyValueStore.h"
#include "core/processes/LoginItemService.h"
#include "core/projects/AppSettings.h"
#include "core/projects/InstallationIdentityService.h"
#include "platform/null/NullAnalyticsService.h"
#include "ui/kit/Switch.h"
#include "ui/settings/SettingsWindowController.h"
#include "ui/shell/UpdateService.h"

#include <QClipboard>
#include <QComboBox>
#include <QGraphicsOpacityEffect>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QUrlQuery>

#include <memory>

using namespace Qt::StringLiterals;
using namespace devnook;

namespace {

class FlakyLoginItem final : public LoginItemService {
public:
    bool enabled = false;
    bool fail = false;
    bool isEnabled() const override { return enabled; }
    Result<void> setEnabled(bool wanted) override
    {
        if (fail)
            return Result<void>::failure(u"The autostart folder is read-only"_s);
        enabled = wanted;
        return Result<void>::success();
    }
};

} // namespace

class SettingsWindowTest : public QObject {
    Q_OBJECT

private:
    MemoryKeyValueStore m_defaults;
    FlakyLoginItem m_loginItem;
    NullAnalyticsService m_analytics;
    UpdateService m_updates;
    test::RecordingUrlOpener m_urls;
    QList<QUrl> &m_opened = m_urls.opened;
    std::unique_ptr<AppSettings> m_settings;
    std::unique_ptr<SettingsWindowController> m_controller;

    QWidget *openWindow()
    {
        m_controller->show(SettingsDestination::top);
        QWidget *window = m_controller->window();
        if (!QTest::qWaitForWindowExposed(window))
            return nullptr;
        return window;
    }

    template <typename T>
    T *find(const QString &name)
    {
        return m_controller->window()->findChild<T *>(name);
    }

private Q_SLOTS:
    void init()
    {
        m_defaults = MemoryKeyValueStore();
        m_loginItem = FlakyLoginItem();
        m_opened.clear();
        m_settings = std::make_unique<AppSettings>(m_defaults, m_loginItem, m_analytics);
        m_controller = std::make_unique<SettingsWindowController>(
            *m_settings, m_updates, m_defaults, m_urls);
    }

    void cleanup()
    {
        m_controller.reset();
        m_settings.reset();
    }

    void oneWindowCentredAndForgottenWhenClosed()
    {
        QWidget *first = openWindow();
        QVERIFY(first);
        QCOMPARE(first->size(), SettingsWindowController::kContentSize);
        first->move(0, 0);
        m_controller->show(SettingsDestination::top);
        QCOMPARE(m_controller->window(), first);
        QCOMPARE(first->frameGeometry().center(), QGuiApplication::primaryScreen()->geometry().center());

        first->close();
        QTRY_VERIFY(!m_controller->window());
        QWidget *second = openWindow();
        QVERIFY(second);
        QVERIFY(second->isVisible());
    }

    void destinationScrollsBackToTheTop()
    {
        QVERIFY(openWindow());
        QScrollBar *bar = find<QScrollArea>(u"settingsScroll"_s)->verticalScrollBar();
        QTRY_VERIFY(bar->maximum() > 0);
        bar->setValue(bar->maximum());
        m_controller->show(SettingsDestination::top);
        QTRY_COMPARE(bar->value(), 0);
    }

    void failedLaunchAtLoginSpringsBackAndShowsTheError()
    {
        QVERIFY(openWindow());
        auto *toggle = find<Switch>(u"launchAtLoginSwitch"_s);
        auto *error = find<QLabel>(u"settingsLastError"_s);
        QVERIFY(!error->isVisible());

        m_loginItem.fail = true;
        QTest::mouseClick(toggle, Qt::LeftButton);
        QVERIFY(!toggle->isChecked());
        QVERIFY(error->isVisible());
        QCOMPARE(error->text(), u"The autostart folder is read-only"_s);

        m_loginItem.fail = false;
        QTest::mouseClick(toggle, Qt::LeftButton);
        QVERIFY(toggle->isChecked());
        QVERIFY(!error->isVisible());
    }

    void switchesAndPickerWriteTheSettings()
    {
        QVERIFY(openWindow());
        auto *picker = find<QComboBox>(u"themePicker"_s);
        QCOMPARE(picker->currentIndex(), 0);
        picker->setFocus();
        QTest::keyClick(picker, Qt::Key_Down);
        QCOMPARE(m_settings->theme(), AppTheme::light);
        QCOMPARE(m_defaults.stringValue(AppSettings::kThemeKey), u"light"_s);

        QTest::mouseClick(find<Switch>(u"idlePauseSwitch"_s), Qt::LeftButton);
        QVERIFY(m_settings->pauseUsageTrackingWhenIdle());
        QTest::mouseClick(find<Switch>(u"analyticsSwitch"_s), Qt::LeftButton);
        QVERIFY(!m_settings->anonymousAnalyticsEnabled());
        QCOMPARE(m_defaults.value(AppSettings::kAnalyticsKey), QVariant(false));
    }

    void updateCheckIsDimmedWithoutAnUpdater()
    {
        QVERIFY(openWindow());
        auto *check = find<QPushButton>(u"checkForUpdatesButton"_s);
        QVERIFY(!check->isEnabled());
        auto *effect = qobject_cast<QGraphicsOpacityEffect *>(check->graphicsEffect());
        QVERIFY(effect);
        QCOMPARE(effect->opacity(), 0.55);
        QCOMPARE(qobject_cast<QGraphicsOpacityEffect *>(find<QPushButton>(u"copyDiagnosticsButton"_s)
                                                             ->graphicsEffect())
                     ->opacity(),
                 1.0);
    }

    void feedbackAndDiagnosticsCarryTheInstallationID()
    {
        QVERIFY(openWindow());
        const QString id = InstallationIdentityService::installationID(m_defaults);

        QGuiApplication::clipboard()->setText(u"something else"_s);
        QTest::mouseClick(find<QPushButton>(u"copyDiagnosticsButton"_s), Qt::LeftButton);
        const QString copied = QGuiApplication::clipboard()->text();
        QVERIFY(copied.startsWith(u"Devnook diagnostics\nVersion: "_s));
        QVERIFY(copied.contains(u"\nOS: "_s));
        QVERIFY(copied.endsWith(u"\nInstall ID: "_s + id));

        QTest::mouseClick(find<QPushButton>(u"requestFeatureButton"_s), Qt::LeftButton);
        QCOMPARE(m_opened.size(), 1);
        const QString body = QUrlQuery(m_opened.constFirst()).queryItemValue(u"body"_s, QUrl::FullyDecoded);
        QVERIFY(body.endsWith(u"\n\n\n---\n"_s + copied));
    }

    void installationIDShowsWholeWhenFocused()
    {
        m_defaults.setValue(InstallationIdentityService::kInstallationIDKey, u"X"_s.repeated(300));
        QVERIFY(openWindow());
        auto *field = find<QLineEdit>(u"installationIdField"_s);
        QVERIFY(field->text().contains(QChar(0x2026))); // shortened in the middle
        field->setFocus();
        QTRY_VERIFY(field->hasFocus());
        QCOMPARE(field->text(), u"X"_s.repeated(300));
    }
};

QTEST_MAIN(SettingsWindowTest)
#include "SettingsWindowTest.moc"
