#pragma once

#include "core/store/DevicePreviewHooks.h"

namespace devnook {

// A device preview that is never active and never open.
class NullDevicePreviewHooks final : public DevicePreviewHooks {
public:
    void deactivate(const QUuid &) override {}
    QCoro::Task<> refreshIfActive(DevProject, QHash<QString, QString>) override { co_return; }
    void refreshIfOpen(const DevProject &) override {}
};

} // namespace devnook
