#include "AlertPortConflictAsker.h"

#include "ui/kit/AlertAsker.h"

namespace devnook {

PortConflictResolution AlertPortConflictAsker::ask(const PortConflictQuestion &question)
{
    // The buttons in the order shown; their index is the answer.
    static constexpr PortConflictResolution kAnswers[] = {
        PortConflictResolution::cancel,
        PortConflictResolution::freePort,
        PortConflictResolution::continueAnyway,
    };
    AlertRequest request;
    request.message = question.title;
    request.informativeText = question.message;
    request.buttons = {question.closeButton, question.freePortButton, question.continueAnywayButton};
    request.isWarning = true;
    for (int i = 0; i < 3; ++i) {
        if (kAnswers[i] == question.defaultAnswer)
            request.harmlessButton = i;
    }
    const int chosen = m_alerts.ask(request);
    return chosen >= 0 && chosen < 3 ? kAnswers[chosen] : question.defaultAnswer;
}

} // namespace devnook
