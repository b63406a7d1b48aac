#pragma once

#include "core/foundation/Timestamp.h"

#include <QDate>
#include <QLocale>
#include <QString>

namespace devnook {

// Dates as the usage views write them: in the default locale, with one
// pattern per language from the localisation tables, since Qt has no
// locale-chosen "medium" styles or skeletons.
class UsageDateTexts {
public:
    UsageDateTexts();

    // The abbreviated weekday and the day ("Mon 5").
    QString dayLabel(QDate date) const;
    // The day and the abbreviated month ("May 5").
    QString dayAndMonth(QDate date) const;
    // The abbreviated month ("May").
    QString month(QDate date) const;
    // The local date with the year and the time to the minute.
    QString dateTime(Timestamp instant) const;

private:
    QLocale m_locale;
    QString m_dayLabelFormat;
    QString m_dayAndMonthFormat;
    QString m_monthFormat;
    QString m_dateTimeFormat;
};

} // namespace devnook
