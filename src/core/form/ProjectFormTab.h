#pragma once

#include <QList>
#include <QString>

namespace devnook {

// The tabs of the project form when a project is edited, in display order.
enum class ProjectFormTab { general, execution, preview, links, notes };

namespace ProjectFormTabs {

// Every tab, in order.
const QList<ProjectFormTab> &all();

// The localised title, looked up at each call.
QString title(ProjectFormTab tab);

// The name of the tab's symbol in resources/icons.
QString symbolName(ProjectFormTab tab);

} // namespace ProjectFormTabs

} // namespace devnook
