#pragma once

#include <QString>

namespace devnook {

// The user's answer to a foreign listener on a project's port.
enum class PortConflictResolution { cancel, continueAnyway, freePort };

// The port-conflict question; every text is already localised.
struct PortConflictQuestion {
    QString title;
    QString message;
    QString closeButton;
    QString freePortButton;
    QString continueAnywayButton;
    // What Enter and Escape answer. Always the harmless answer, so a reflex
    // key press never frees a port or kills a process.
    PortConflictResolution defaultAnswer = PortConflictResolution::cancel;
};

// Asks the user, modally, what to do when another process listens on a port
// that a project is about to use.
class PortConflictAsker {
public:
    virtual ~PortConflictAsker() = default;

    // Shows the question with the application's icon and the buttons close,
    // free the port and continue anyway, in that order; returns the answer.
    // Enter and Escape give the question's defaultAnswer, and so does closing
    // the question without a button.
    virtual PortConflictResolution ask(const PortConflictQuestion &question) = 0;
};

} // namespace devnook
