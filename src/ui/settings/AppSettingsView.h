#pragma once

#include "SettingsDestination.h"
#include "core/environment/FeedbackService.h"

#include <QVariantAnimation>
#include <QWidget>

class QComboBox;
class QLabel;
class QPushButton;
class QScrollArea;

namespace devnook {

class AppSettings;
class KeyValueStore;
class Switch;
class UpdateService;

// The settings page: general, appearance, usage, privacy, feedback and about
// sections, the installation ID and the last settings error. Every control
// reads the settings anew on each change, so a refused switch springs back.
class AppSettingsView final : public QWidget {
    Q_OBJECT

public:
    AppSettingsView(AppSettings &settings, UpdateService &updates, KeyValueStore &defaults,
                    UrlOpener &urlOpener, QWidget *parent = nullptr);

    // Scrolls, animated, to the element the destination names.
    void reveal(SettingsDestination destination);

private:
    QWidget *makeHeader();
    QWidget *makeSections();
    QWidget *makeInstallationFooter();
    void sendFeedback(FeedbackKind kind);
    void copyDiagnostics();
    void syncFromSettings();

    AppSettings &m_settings;
    UpdateService &m_updates;
    KeyValueStore &m_defaults;
    UrlOpener &m_urlOpener;

    QScrollArea *m_scroll = nullptr;
    QWidget *m_content = nullptr;
    Switch *m_launchAtLogin = nullptr;
    QComboBox *m_theme = nullptr;
    Switch *m_idlePause = nullptr;
    Switch *m_analytics = nullptr;
    QPushButton *m_checkForUpdates = nullptr;
    QLabel *m_error = nullptr;
    QVariantAnimation m_scrollAnimation;
};

} // namespace devnook
