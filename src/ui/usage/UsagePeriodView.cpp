#include "UsagePeriodView.h"

#include "UsageCustomDateRangePicker.h"
#include "UsagePeriodPicker.h"
#include "UsageWindowHeader.h"
#include "core/foundation/Clock.h"
#include "core/store/ProjectStore.h"
#include "core/usage/UsageFilterPreferences.h"
#include "ui/kit/Kit.h"

#include <QScrollArea>
#include <QVBoxLayout>

namespace devnook {

UsagePeriodView::UsagePeriodView(UsageWindowServices services, PeriodKeys keys, QWidget *parent)
    : QWidget(parent), m_services(services), m_keys(std::move(keys)),
      m_filter(UsageFilterPreferences::filter(services.defaults, m_keys.filter)),
      m_customRange(UsageFilterPreferences::customRange(services.defaults, m_keys.customStart,
                                                        m_keys.customEnd, UsageCalendar::current(),
                                                        services.clock.now()))
{}

void UsagePeriodView::build(const QString &title, const QString &subtitle, QWidget *headerControl)
{
    auto *header = new UsageWindowHeader(title, subtitle, m_filter, m_customRange, headerControl, this);
    m_periodPicker = header->periodPicker();
    m_customPicker = header->customPicker();
    connect(m_periodPicker, &UsagePeriodPicker::filterChanged, this, &UsagePeriodView::setDateFilter);
    connect(m_customPicker, &UsageCustomDateRangePicker::rangeChanged, this,
            &UsagePeriodView::setCustomRange);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(header);
    column->addWidget(Kit::makeDivider(this));
    auto *scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidget(makeContent());
    column->addWidget(scroll, 1);
    if (QWidget *footer = makeFooter()) {
        column->addWidget(Kit::makeDivider(this));
        column->addWidget(footer);
    }

    connect(&m_services.store, &ProjectStore::usageSummariesChanged, this, &UsagePeriodView::showPeriod);
    // Queued: the store deletes a project's sessions after announcing the
    // new catalogue.
    connect(&m_services.store, &ProjectStore::projectsChanged, this, &UsagePeriodView::showPeriod,
            Qt::QueuedConnection);
    showPeriod();
}

void UsagePeriodView::setDateFilter(UsageDateFilterOption filter)
{
    if (filter == m_filter)
        return;
    m_filter = filter;
    UsageFilterPreferences::setFilter(m_services.defaults, filter, m_keys.filter);
    m_periodPicker->setFilter(filter);
    showPeriod();
}

void UsagePeriodView::setCustomRange(const UsageDateRange &range)
{
    m_customRange = range;
    UsageFilterPreferences::setCustomRange(m_services.defaults, range, m_keys.customStart, m_keys.customEnd);
    showPeriod();
}

void UsagePeriodView::showPeriod()
{
    m_customPicker->setVisible(m_filter == UsageDateFilterOption::custom);
    render();
}

} // namespace devnook
