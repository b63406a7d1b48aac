#pragma once

#include "core/preview/DevicePreviewWindows.h"
#include "ui/kit/ProjectWindows.h"

#include <QObject>
#include <QSize>
#include <optional>

namespace devnook {

class Clipboard;
class DevicePreviewProxyService;
class DevicePreviewReachabilityProbe;
class ProjectStore;
class UrlOpener;

// What the device-preview windows use.
struct DevicePreviewWindowServices {
    // Only read once a window opens, so it may be built after the controller.
    ProjectStore &store;
    DevicePreviewProxyService &proxies;
    DevicePreviewReachabilityProbe &probe;
    Clipboard &clipboard;
    UrlOpener &urls;
};

// Keeps at most one device-preview window per project, sized by the number
// of the project's targets. Showing a project whose window is open rebuilds
// its content for the project as given and brings it forward where it is;
// otherwise a new window opens in the middle of the screen. Closing a window
// forgets it and leaves the preview on; deleting the project closes it.
class DevicePreviewWindowController final : public QObject, public DevicePreviewWindows {
    Q_OBJECT

public:
    static constexpr int kContentWidth = 560;
    static constexpr QSize kMinimumSize{480, 360};

    explicit DevicePreviewWindowController(DevicePreviewWindowServices services, QObject *parent = nullptr);

    void show(const DevProject &project) override;
    void refreshIfOpen(const DevProject &project) override;

    // The project's open window, or null.
    QWidget *window(const QUuid &projectID) const { return m_windows.find(projectID); }

    // The content size for a number of targets: 400 high for one or none,
    // 185 more for each further one, at most 800 and at most the screen's
    // available height less 80.
    static QSize contentSize(qsizetype targetCount, std::optional<int> availableScreenHeight);

private:
    QSize contentSize(const DevProject &project) const;
    // Replaces the open window's content with a new view of the project.
    void refreshContent(QWidget *window, const DevProject &project);
    QWidget *makeView(const DevProject &project, QWidget *window);

    DevicePreviewWindowServices m_services;
    ProjectWindows m_windows;
};

} // namespace devnook
