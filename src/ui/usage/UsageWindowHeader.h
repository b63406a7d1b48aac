#pragma once

#include "core/usage/UsagePeriods.h"

#include <QWidget>

namespace devnook {

class UsageCustomDateRangePicker;
class UsagePeriodPicker;

// The head of both usage windows: a title, a secondary line, the period
// picker with an optional control at the right end of its row, and the
// custom range picker below it.
class UsageWindowHeader final : public QWidget {
public:
    UsageWindowHeader(const QString &title, const QString &subtitle, UsageDateFilterOption filter,
                      const UsageDateRange &range, QWidget *trailing, QWidget *parent);

    UsagePeriodPicker *periodPicker() const { return m_periodPicker; }
    UsageCustomDateRangePicker *customPicker() const { return m_customPicker; }

private:
    UsagePeriodPicker *m_periodPicker = nullptr;
    UsageCustomDateRangePicker *m_customPicker = nullptr;
};

} // namespace devnook
