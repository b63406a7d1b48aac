#pragma once

#include <Qt>

namespace devnook {

enum class KeyCommand {
    none,
    cut,
    copy,
    paste,
    selectAll,
    hidePanel,
    openPanel,
    addProject,
    usageOverview,
    settings,
    quit,
};

// A key press and what it lands on.
struct KeyInput {
    int key = 0;
    Qt::KeyboardModifiers modifiers;
    bool focusIsTextEditor = false;
    bool panelIsActiveWindow = false;
    bool modalDialogIsOpen = false;
};

// What a key press does anywhere in the application, Ctrl standing in for
// the design's Command key: the four editing keys in a text field (Shift
// ignored), Escape in the panel, and the menu's key equivalents, which need
// the exact modifiers and stay off while a modal dialog asks something.
KeyCommand decideKey(const KeyInput &input);

} // namespace devnook
