#pragma once

class QWidget;

namespace devnook::UsageWindowContent {

// Puts the view in the window in place of its current one, which is freed
// once control is back in the event loop, so nothing it runs is deleted
// under it. The window keeps its place, size and title.
void replace(QWidget *window, QWidget *view);

} // namespace devnook::UsageWindowContent
