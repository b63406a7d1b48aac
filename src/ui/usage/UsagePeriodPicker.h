#pragma once

#include "core/usage/UsagePeriods.h"

#include <QComboBox>

namespace devnook {

// The period choice of the usage windows: every option in order, by title.
class UsagePeriodPicker final : public QComboBox {
    Q_OBJECT

public:
    explicit UsagePeriodPicker(UsageDateFilterOption filter, QWidget *parent = nullptr);

    UsageDateFilterOption filter() const;
    void setFilter(UsageDateFilterOption filter);

Q_SIGNALS:
    // Emitted when another period is chosen.
    void filterChanged(UsageDateFilterOption filter);
};

} // namespace devnook
