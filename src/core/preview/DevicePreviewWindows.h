#pragma once

namespace devnook {

struct DevProject;

// The device-preview windows, one per project at most.
class DevicePreviewWindows {
public:
    virtual ~DevicePreviewWindows() = default;

    // Shows the project's window, built afresh or the open one with its
    // content rebuilt, and brings it to the front.
    virtual void show(const DevProject &project) = 0;

    // Rebuilds the content of the project's open window from the record;
    // without an open window nothing happens, and nothing is brought forward.
    virtual void refreshIfOpen(const DevProject &project) = 0;
};

} // namespace devnook
