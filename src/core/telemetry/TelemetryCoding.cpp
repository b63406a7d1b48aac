#include "TelemetryCoding.h"

#include <QLocale>

using namespace Qt::StringLiterals;

namespace devnook::TelemetryCoding {

QString requestDateText(Timestamp moment)
{
    return QLocale::c().toString(moment.toDateTime().toUTC(), u"yyyy-MM-ddTHH:mm:ss"_s) + u"+0000"_s;
}

QString decimalText(double value)
{
    QString text = QString::number(value, 'g', QLocale::FloatingPointShortest);
    if (!text.contains(u'.') && !text.contains(u'e') && !text.contains(u'n'))
        text += u".0"_s;
    return text;
}

QString localISODate(Timestamp moment)
{
    return moment.toDateTime().toLocalTime().date().toString(Qt::ISODate);
}

QString utcISODate(Timestamp moment)
{
    return moment.toDateTime().toUTC().date().toString(Qt::ISODate);
}

QHash<QString, QString> merged(QHash<QString, QString> map, const QHash<QString, QString> &other)
{
    for (auto it = other.cbegin(); it != other.cend(); ++it)
        map.insert(it.key(), it.value());
    return map;
}

} // namespace devnook::TelemetryCoding
