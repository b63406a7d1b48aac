#pragma once

#include "core/panel/ProjectRowActions.h"

namespace devnook {

struct DevProject;

// The per-project windows a row opens. available() says which exist in this
// build; the rows show the entries of the others disabled.
class PanelWindows {
public:
    virtual ~PanelWindows() = default;

    virtual RowWindows available() const = 0;
    virtual void showLogs(const DevProject &project) = 0;
    virtual void showEnvDetails(const DevProject &project) = 0;
    virtual void showUsage(const DevProject &project) = 0;
    virtual void showDevicePreview(const DevProject &project) = 0;
};

} // namespace devnook
