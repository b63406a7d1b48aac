#include "ProjectUsageWindowController.h"

#include "ProjectUsageView.h"
#include "UsageWindowContent.h"
#include "core/foundation/L10n.h"
#include "core/store/ProjectStore.h"

using namespace Qt::StringLiterals;

namespace devnook {

ProjectUsageWindowController::ProjectUsageWindowController(UsageWindowServices services, QObject *parent)
    : QObject(parent), m_services(services), m_windows(kContentSize, kMinimumSize, u"projectUsageWindow"_s)
{}

void ProjectUsageWindowController::show(const DevProject &project)
{
    m_services.store.refreshUsageSummary(project.id);
    m_services.store.refreshUsageTrackingStates();
    if (QWidget *open = m_windows.find(project.id)) {
        UsageWindowContent::replace(open, new ProjectUsageView(project, m_services));
        m_windows.raise(project.id);
        return;
    }
    m_windows.open(project.id, L10n::text(u"usage_title"_s) + u" - "_s + project.name,
                   [&](QWidget *window) { return new ProjectUsageView(project, m_services, window); });
}

} // namespace devnook
