#pragma once

#include "core/environment/BackgroundReads.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThreadPool>

namespace devnook::test {

// Runs the event loop until no folder read runs and what the reads ended is
// delivered: whatever a refresh asked for has published by then, so a count
// taken afterwards is final without waiting a fixed time. False when reads
// still ran at the deadline, as they do when refreshes never end.
[[nodiscard]] inline bool settleBackgroundReads(int deadlineMs = 20000)
{
    const QDeadlineTimer deadline(deadlineMs);
    for (int quietRounds = 0; quietRounds < 2;) {
        if (!backgroundReadPool().waitForDone(int(deadline.remainingTime())))
            return false;
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        quietRounds = backgroundReadPool().activeThreadCount() == 0 ? quietRounds + 1 : 0;
    }
    return true;
}

} // namespace devnook::test
