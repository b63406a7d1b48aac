#include "ProjectFormTab.h"

#include "core/foundation/L10n.h"

using namespace Qt::StringLiterals;

namespace devnook::ProjectFormTabs {

const QList<ProjectFormTab> &all()
{
    static const QList<ProjectFormTab> tabs{ProjectFormTab::general, ProjectFormTab::execution,
                                            ProjectFormTab::preview, ProjectFormTab::links,
                                            ProjectFormTab::notes};
    return tabs;
}

QString title(ProjectFormTab tab)
{
    switch (tab) {
    case ProjectFormTab::general:
        return L10n::text(u"project_form_tab_general"_s);
    case ProjectFormTab::execution:
        return L10n::text(u"project_form_tab_execution"_s);
    case ProjectFormTab::preview:
        return L10n::text(u"project_form_tab_preview"_s);
    case ProjectFormTab::links:
        return L10n::text(u"workspace_links"_s);
    case ProjectFormTab::notes:
        return L10n::text(u"project_notes"_s);
    }
    return {};
}

QString symbolName(ProjectFormTab tab)
{
    switch (tab) {
    case ProjectFormTab::general:
        return u"info.circle"_s;
    case ProjectFormTab::execution:
        return u"terminal"_s;
    case ProjectFormTab::preview:
        return u"iphone.and.arrow.forward"_s;
    case ProjectFormTab::links:
        return u"link"_s;
    case ProjectFormTab::notes:
        return u"note.text"_s;
    }
    return {};
}

} // namespace devnook::ProjectFormTabs
