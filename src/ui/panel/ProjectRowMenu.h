#pragma once

#include "core/panel/ProjectRowActions.h"

#include <functional>

class QMenu;

namespace devnook {

namespace ProjectRowMenu {

// Fills the menu with the entries, their localised titles and symbols in the
// menu's text colour; a choice calls back with its action and link index.
void fill(QMenu &menu, const QList<RowMenuEntry> &entries,
          const std::function<void(RowAction action, qsizetype linkIndex)> &choose);

} // namespace ProjectRowMenu

} // namespace devnook
