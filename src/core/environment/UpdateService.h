#pragma once

namespace devnook {

// The updater wrapper. Linux packages bring their own updates, so there is
// no updater here: a check is never available and asking for one does
// nothing. Kept as the one place the menu and the settings ask.
class UpdateService {
public:
    bool isAvailable() const { return false; }
    bool canCheckForUpdates() const { return false; }
    void checkForUpdates() {}
};

} // namespace devnook
