#pragma once

#include "ui/kit/AlertAsker.h"
#include "ui/kit/FileChooser.h"

#include <QCoroTask>
#include <QString>
#include <optional>

class QWidget;

namespace devnook {

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

// A save dialog opened window-modal, so nothing waits in a nested event loop
// while it is up. It opens in the folder of the last export, else in home.
class DialogUsageExportFileChooser final : public UsageExportFileChooser {
public:
    QCoro::Task<std::optional<QString>> chooseFile(QWidget *window, QString proposedName) override;

private:
    FileChooser m_files;
};

// Asks the user a question over a usage window. Tests answer through a
// scripted asker.
class UsageAlertAsker {
public:
    virtual ~UsageAlertAsker() = default;
    // The index of the chosen button; closing the alert, or its window going
    // away, counts as the harmless button.
    virtual QCoro::Task<int> ask(QWidget *window, AlertRequest request) = 0;
};

// A message box opened window-modal over the window, raised and active,
// carrying the application's icon; Return and Escape take the harmless button.
class WindowModalUsageAlertAsker final : public UsageAlertAsker {
public:
    QCoro::Task<int> ask(QWidget *window, AlertRequest request) override;
};

// What the usage windows work with; each must outlive the windows.
struct UsageWindowServices {
    ProjectStore &store;
    UsageTrackingService &usage;
    KeyValueStore &defaults;
    const Clock &clock;
    UsageAlertAsker &alerts;
    UsageExportFileChooser &files;
};

} // namespace devnook
