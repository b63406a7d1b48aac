#pragma once

#include "Timestamp.h"

#include <QDate>
#include <QLocale>
#include <QString>
#include <QTime>

// The dates and times every window shows, in the default locale. Qt has no
// medium date style, so it is made from the locale's long one.
namespace devnook::DateTexts {

// The locale's long date pattern without the weekday and with abbreviated
// month names: "MMM d, yyyy" in American English, "d MMM yyyy" in C.
QString mediumDateFormat(const QLocale &locale = QLocale());

// The locale's short time pattern without seconds: "h:mm AP", "HH:mm".
QString shortTimeFormat(const QLocale &locale = QLocale());

// "May 5, 2024" in American English.
QString mediumDate(QDate date);

// "3:04 PM" in American English, "15:04" in C.
QString shortTime(QTime time);

// The instant in local time: the medium date, a space, the short time.
QString mediumDateTime(Timestamp instant);

// The pattern of mediumDateTime, for editors of a date and time.
QString mediumDateTimeFormat(const QLocale &locale = QLocale());

} // namespace devnook::DateTexts
