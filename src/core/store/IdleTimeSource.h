#pragma once

#include <QCoroTask>

namespace devnook {

// How long the user has left the keyboard and pointer alone.
class IdleTimeSource {
public:
    virtual ~IdleTimeSource() = default;

    // Seconds since the last input event of any kind in the session; 0 when
    // the desktop cannot tell, so that nobody counts as away.
    virtual QCoro::Task<double> secondsSinceLastInput() = 0;
};

} // namespace devnook
