#pragma once

#include <QObject>

namespace devnook {

// The application's activation on the desktop, for timing telemetry sessions
// in the foreground only.
class ApplicationActivity : public QObject {
    Q_OBJECT

protected:
    using QObject::QObject;

Q_SIGNALS:
    // Emitted when the application becomes the active one.
    void becameActive();
    // Emitted when the application stops being the active one.
    void resignedActive();
};

} // namespace devnook
