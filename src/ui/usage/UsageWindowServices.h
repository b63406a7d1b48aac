#pragma once

#include <QCoroTask>
#include <QString>
#include <optional>

class QWidget;

namespace devnook {

class AlertAsker;
class Clock;
class KeyValueStore;
class ProjectStore;
class UsageTrackingService;

// Asks where an export goes. Tests answer through a scripted chooser.
class UsageExportFileChooser {
public:
    virtual ~UsageExportFileChooser() = default;
    // The file the user chose, proposing the name in the dialog; nothing when
    // the dialog was cancelled or its window went away.
    virtual QCoro::Task<std::optional<QString>> chooseFile(QWidget *window, QString proposedName) = 0;
};

// A save dialog opened window-modal with open(), so nothing waits in a nested
// event loop while it is up.
class DialogUsageExportFileChooser final : public UsageExportFileChooser {
public:
    QCoro::Task<std::optional<QString>> chooseFile(QWidget *window, QString proposedName) override;
};

// What the usage windows work with; each must outlive the windows.
struct UsageWindowServices {
    ProjectStore &store;
    UsageTrackingService &usage;
    KeyValueStore &defaults;
    const Clock &clock;
    AlertAsker &alerts;
    UsageExportFileChooser &files;
};

} // namespace devnook
