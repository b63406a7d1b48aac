#pragma once

#include "UsageWindowServices.h"
#include "core/usage/UsagePeriods.h"

#include <QString>
#include <QWidget>

namespace devnook {

class UsageCustomDateRangePicker;
class UsagePeriodPicker;

// What both usage views share: the period they show, read from the user
// defaults under their keys and stored there again at every change; the
// header with its period pickers above the scrolling content; and a new
// render whenever the period, or the store's usage figures or catalogue,
// change.
class UsagePeriodView : public QWidget {
    Q_OBJECT

public:
    UsageDateFilterOption dateFilter() const { return m_filter; }
    void setDateFilter(UsageDateFilterOption filter);
    UsageDateRange customRange() const { return m_customRange; }

protected:
    // Where the view keeps its period in the user defaults.
    struct PeriodKeys {
        QString filter;
        QString customStart;
        QString customEnd;
    };

    UsagePeriodView(UsageWindowServices services, PeriodKeys keys, QWidget *parent);

    // Lays the view out and renders it: the header with the title, the
    // secondary line and an optional control at the end of the period row, a
    // divider, the content scrolling in the space left, and the footer under
    // a divider when there is one. The content and the footer are made in
    // this order, which is the order of the keyboard focus.
    void build(const QString &title, const QString &subtitle, QWidget *headerControl);
    virtual QWidget *makeContent() = 0;
    virtual QWidget *makeFooter() { return nullptr; }
    // Shows the figures of the period as the store has them now.
    virtual void render() = 0;

    UsageWindowServices m_services;

private:
    void setCustomRange(const UsageDateRange &range);
    void showPeriod();

    PeriodKeys m_keys;
    UsageDateFilterOption m_filter;
    UsageDateRange m_customRange;
    UsagePeriodPicker *m_periodPicker = nullptr;
    UsageCustomDateRangePicker *m_customPicker = nullptr;
};

} // namespace devnook
