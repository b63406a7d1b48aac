#pragma once

#include "core/projects/DevProject.h"

#include <QCoro/QCoroTask>
#include <QHash>
#include <QString>
#include <QUuid>

namespace devnook {

// What the store asks of the device preview when a project changes.
class DevicePreviewHooks {
public:
    virtual ~DevicePreviewHooks() = default;

    // Ends the project's device preview; a project without one is left alone.
    virtual void deactivate(const QUuid &projectID) = 0;

    // Rebuilds an active preview of the project from the record and its
    // effective local URLs ("project:" and "service:" keys); finishes at once
    // when the project has no active preview.
    virtual QCoro::Task<> refreshIfActive(DevProject project, QHash<QString, QString> effectiveLocalURLs) = 0;

    // Rebuilds the project's open device-preview window from the record.
    virtual void refreshIfOpen(const DevProject &project) = 0;
};

} // namespace devnook
