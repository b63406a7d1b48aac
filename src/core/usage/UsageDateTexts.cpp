#include "UsageDateTexts.h"

#include "core/foundation/L10n.h"

using namespace Qt::StringLiterals;

namespace devnook {

UsageDateTexts::UsageDateTexts()
    : m_dayLabelFormat(L10n::text(u"usage_day_label_format"_s)),
      m_dayAndMonthFormat(L10n::text(u"usage_day_month_format"_s)),
      m_monthFormat(L10n::text(u"usage_month_format"_s))
{}

QString UsageDateTexts::dayLabel(QDate date) const
{
    return m_locale.toString(date, m_dayLabelFormat);
}

QString UsageDateTexts::dayAndMonth(QDate date) const
{
    return m_locale.toString(date, m_dayAndMonthFormat);
}

QString UsageDateTexts::month(QDate date) const
{
    return m_locale.toString(date, m_monthFormat);
}

} // namespace devnook
