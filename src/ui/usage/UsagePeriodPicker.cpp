#include "UsagePeriodPicker.h"

using namespace Qt::StringLiterals;

namespace devnook {

UsagePeriodPicker::UsagePeriodPicker(UsageDateFilterOption filter, QWidget *parent) : QComboBox(parent)
{
    setObjectName(u"periodPicker"_s);
    setMaximumWidth(220);
    for (const UsageDateFilterOption option : UsageDateFilterOptions::all())
        addItem(UsageDateFilterOptions::localizedTitle(option));
    setFilter(filter);
    connect(this, &QComboBox::currentIndexChanged, this, [this] { Q_EMIT filterChanged(this->filter()); });
}

UsageDateFilterOption UsagePeriodPicker::filter() const
{
    return UsageDateFilterOptions::all().value(currentIndex(), UsageDateFilterOption::week);
}

void UsagePeriodPicker::setFilter(UsageDateFilterOption filter)
{
    setCurrentIndex(static_cast<int>(UsageDateFilterOptions::all().indexOf(filter)));
}

} // namespace devnook
