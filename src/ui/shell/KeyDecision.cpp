#include "KeyDecision.h"

namespace devnook {

namespace {

constexpr Qt::KeyboardModifiers kCommandMask = Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
constexpr Qt::KeyboardModifiers kExactMask = kCommandMask | Qt::ShiftModifier;

KeyCommand editingCommand(int key)
{
    switch (key) {
    case Qt::Key_X:
        return KeyCommand::cut;
    case Qt::Key_C:
        return KeyCommand::copy;
    case Qt::Key_V:
        return KeyCommand::paste;
    case Qt::Key_A:
        return KeyCommand::selectAll;
    default:
        return KeyCommand::none;
    }
}

KeyCommand menuCommand(int key, Qt::KeyboardModifiers exact)
{
    if (exact == Qt::ControlModifier) {
        switch (key) {
        case Qt::Key_N:
            return KeyCommand::addProject;
        case Qt::Key_U:
            return KeyCommand::usageOverview;
        case Qt::Key_Comma:
            return KeyCommand::settings;
        case Qt::Key_Q:
            return KeyCommand::quit;
        default:
            return KeyCommand::none;
        }
    }
    if (exact == (Qt::ControlModifier | Qt::ShiftModifier) && key == Qt::Key_L)
        return KeyCommand::openPanel;
    return KeyCommand::none;
}

} // namespace

KeyCommand decideKey(const KeyInput &input)
{
    if (input.focusIsTextEditor && (input.modifiers & kCommandMask) == Qt::ControlModifier) {
        const KeyCommand editing = editingCommand(input.key);
        if (editing != KeyCommand::none)
            return editing;
    }
    if (input.modalDialogIsOpen)
        return KeyCommand::none;
    if (input.key == Qt::Key_Escape)
        return input.panelIsActiveWindow ? KeyCommand::hidePanel : KeyCommand::none;
    return menuCommand(input.key, input.modifiers & kExactMask);
}

} // namespace devnook
