#pragma once

#include "core/store/ProjectLogsPresenter.h"

namespace devnook {

// Shows no logs window.
class NullProjectLogsPresenter final : public ProjectLogsPresenter {
public:
    void show(const DevProject &) override {}
};

} // namespace devnook
