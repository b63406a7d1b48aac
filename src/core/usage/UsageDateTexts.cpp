#include "UsageDateTexts.h"

#include "core/foundation/L10n.h"

#include <QHash>

using namespace Qt::StringLiterals;

namespace devnook {

UsageDateTexts::UsageDateTexts()
    : m_localeName(m_locale.name()), m_dayLabelFormat(L10n::text(u"usage_day_label_format"_s)),
      m_dayAndMonthFormat(L10n::text(u"usage_day_month_format"_s)),
      m_monthFormat(L10n::text(u"usage_month_format"_s))
{}

QString UsageDateTexts::isoDate(QDate date)
{
    // A chart of years asks for hundreds of these per figure; Qt's own
    // formatting goes through printf.
    const auto digits = [](QChar *out, int value, int count) {
        for (int i = count - 1; i >= 0; --i, value /= 10)
            out[i] = QChar(u'0' + value % 10);
    };
    QString text(10, u'-');
    digits(text.data(), date.year(), 4);
    digits(text.data() + 5, date.month(), 2);
    digits(text.data() + 8, date.day(), 2);
    return text;
}

QString UsageDateTexts::dayLabel(QDate date) const
{
    // Every figure of a long period labels the same days again: each label
    // is made once for the locale and the pattern it was made with.
    struct Labels {
        QString locale;
        QString format;
        QHash<qint64, QString> byDay;
    };
    thread_local Labels labels;
    if (labels.locale != m_localeName || labels.format != m_dayLabelFormat)
        labels = Labels{m_localeName, m_dayLabelFormat, {}};
    auto it = labels.byDay.constFind(date.toJulianDay());
    if (it == labels.byDay.cend())
        it = labels.byDay.insert(date.toJulianDay(), m_locale.toString(date, m_dayLabelFormat));
    return *it;
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
