#pragma once

#include "UsageWindowServices.h"
#include "ui/kit/ProjectWindows.h"

#include <QObject>
#include <QSize>
#include <QWidget>

namespace devnook {

class ProjectUsageWindowController;

// Keeps the one usage overview window. Every request first brings the store's
// usage figures up to date; an open window then gets a fresh view and comes
// to the front where it is, otherwise a new one opens in the middle of the
// screen. A closed window is freed and forgotten.
class UsageOverviewWindowController final : public QObject {
    Q_OBJECT

public:
    static constexpr QSize kContentSize{720, 680};
    static constexpr QSize kMinimumSize{720, 560};

    UsageOverviewWindowController(UsageWindowServices services, ProjectUsageWindowController &projectWindows,
                                  QObject *parent = nullptr);

    void show();

    // The open window, or null.
    QWidget *window() const { return m_windows.find(QUuid()); }

private:
    UsageWindowServices m_services;
    ProjectUsageWindowController &m_projectWindows;
    // The one window, kept under the null id.
    ProjectWindows m_windows;
};

} // namespace devnook
