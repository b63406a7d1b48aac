#pragma once

#include <QDate>
#include <QLocale>
#include <QString>

namespace devnook {

// The day and month labels of the usage charts: in the default locale, with
// one pattern per language from the localisation tables, since Qt has no
// locale-chosen skeletons such as "EEE d".
class UsageDateTexts {
public:
    UsageDateTexts();

    // The day as "yyyy-MM-dd" with Western digits, whatever the locale.
    static QString isoDate(QDate date);

    // The abbreviated weekday and the day ("Mon 5").
    QString dayLabel(QDate date) const;
    // The day and the abbreviated month ("May 5").
    QString dayAndMonth(QDate date) const;
    // The abbreviated month ("May").
    QString month(QDate date) const;

private:
    QLocale m_locale;
    QString m_localeName;
    QString m_dayLabelFormat;
    QString m_dayAndMonthFormat;
    QString m_monthFormat;
};

} // namespace devnook
