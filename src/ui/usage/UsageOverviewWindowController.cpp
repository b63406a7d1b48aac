#include "UsageOverviewWindowController.h"

#include "UsageOverviewView.h"
#include "UsageWindowContent.h"
#include "core/foundation/L10n.h"
#include "core/store/ProjectStore.h"

using namespace Qt::StringLiterals;

namespace devnook {

UsageOverviewWindowController::UsageOverviewWindowController(UsageWindowServices services,
                                                             ProjectUsageWindowController &projectWindows,
                                                             QObject *parent)
    : QObject(parent), m_services(services), m_projectWindows(projectWindows),
      m_windows(kContentSize, kMinimumSize, u"usageOverviewWindow"_s)
{}

void UsageOverviewWindowController::show()
{
    // The overview's figures come from the period queries, not from the
    // per-project summaries, so only the live states are brought up to date.
    m_services.store.refreshUsageTrackingStates();
    if (QWidget *open = window()) {
        UsageWindowContent::replace(open, new UsageOverviewView(m_services, m_projectWindows));
        m_windows.raise(QUuid());
        return;
    }
    m_windows.open(QUuid(), L10n::text(u"usage_overview_title"_s), [&](QWidget *window) {
        return new UsageOverviewView(m_services, m_projectWindows, window);
    });
}

} // namespace devnook
