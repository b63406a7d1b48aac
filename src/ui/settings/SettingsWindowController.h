#pragma once

#include "SettingsDestination.h"
#include "core/environment/FeedbackService.h"

#include <QObject>
#include <QPointer>
#include <QSize>
#include <QWidget>

namespace devnook {

class AppSettings;
class AppSettingsView;
class KeyValueStore;
class UpdateService;

// Owns the one settings window: builds it on the first request, centres it on
// the primary screen at every request, and forgets it when it closes, so the
// next request starts afresh.
class SettingsWindowController final : public QObject {
    Q_OBJECT

public:
    static constexpr QSize kContentSize{520, 480};

    SettingsWindowController(AppSettings &settings, UpdateService &updates, KeyValueStore &defaults,
                             UrlOpener &urlOpener, QObject *parent = nullptr);
    ~SettingsWindowController() override;

    // Opens or brings forward the window, then, one event-loop turn later,
    // reveals the destination.
    void show(SettingsDestination destination);

    // The open window, or null.
    QWidget *window() const { return m_window; }

private:
    void makeWindow();
    void positionWindowAtScreenCenter();

    AppSettings &m_settings;
    UpdateService &m_updates;
    KeyValueStore &m_defaults;
    UrlOpener &m_urlOpener;
    QPointer<QWidget> m_window;
    QPointer<AppSettingsView> m_view;
};

} // namespace devnook
