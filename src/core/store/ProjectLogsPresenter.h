#pragma once

namespace devnook {

struct DevProject;

// Opens a project's logs window.
class ProjectLogsPresenter {
public:
    virtual ~ProjectLogsPresenter() = default;

    // Shows the project's logs window, or brings the open one to the front.
    virtual void show(const DevProject &project) = 0;
};

} // namespace devnook
