#pragma once

#include "core/store/PortConflictAsker.h"

namespace devnook {

// Answers every port question with its harmless default: the start is
// cancelled.
class NullPortConflictAsker final : public PortConflictAsker {
public:
    PortConflictResolution ask(const PortConflictQuestion &question) override
    {
        return question.defaultAnswer;
    }
};

} // namespace devnook
