#pragma once

#include "core/store/PortConflictAsker.h"

namespace devnook {

class AlertAsker;

// Asks the port-conflict question through the application's alerts.
class AlertPortConflictAsker final : public PortConflictAsker {
public:
    explicit AlertPortConflictAsker(AlertAsker &alerts) : m_alerts(alerts) {}

    PortConflictResolution ask(const PortConflictQuestion &question) override;

private:
    AlertAsker &m_alerts;
};

} // namespace devnook
