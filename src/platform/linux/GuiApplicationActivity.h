#pragma once

#include "core/telemetry/ApplicationActivity.h"

namespace devnook {

// The application's activation as the GUI application reports it.
class GuiApplicationActivity final : public ApplicationActivity {
    Q_OBJECT

public:
    // Needs a QGuiApplication; without one nothing is ever reported.
    explicit GuiApplicationActivity(QObject *parent = nullptr);

private:
    void stateChanged(Qt::ApplicationState state);

    bool m_isActive = false;
};

} // namespace devnook
