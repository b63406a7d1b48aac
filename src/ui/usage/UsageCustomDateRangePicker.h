#pragma once

#include "core/usage/UsagePeriods.h"

#include <QFrame>

class QDateEdit;

namespace devnook {

// Two date fields, from and to, for the custom period. The days are handed
// on as chosen: the start may come after the end.
class UsageCustomDateRangePicker final : public QFrame {
    Q_OBJECT

public:
    explicit UsageCustomDateRangePicker(const UsageDateRange &range, QWidget *parent = nullptr);

    // The range as shown: each end is its day's local start, or the time it
    // was given with while its day was not changed.
    UsageDateRange range() const { return m_range; }

Q_SIGNALS:
    // Emitted when the user picks another day for either end.
    void rangeChanged(const UsageDateRange &range);

private:
    UsageDateRange m_range;
    QDateEdit *m_from;
    QDateEdit *m_to;
};

} // namespace devnook
