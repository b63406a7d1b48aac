#include "UsageDateTexts.h"

#include "core/foundation/L10n.h"

using namespace Qt::StringLiterals;

namespace devnook {

UsageDateTexts::UsageDateTexts()
    : m_dayLabelFormat(L10n::text(u"usage_day_label_format"_s)),
      m_dayAndMonthFormat(L10n::text(u"usage_day_month_format"_s)),
      m_monthFormat(L10n::text(u"usage_month_format"_s)),
      m_dateTimeFormat(L10n::text(u"usage_date_time_format"_s))
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

QString UsageDateTexts::dateTime(Timestamp instant) const
{
    return m_locale.toString(instant.toDateTime().toLocalTime(), m_dateTimeFormat);
}

} // namespace devnook
