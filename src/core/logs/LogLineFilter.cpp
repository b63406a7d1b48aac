#include "LogLineFilter.h"

#include <QStringList>

using namespace Qt::StringLiterals;

namespace devnook {

bool LogLineFilter::passes(const DevProcessLogLine &line) const
{
    if ((kind == ProcessLogFilter::output && line.isError) ||
        (kind == ProcessLogFilter::errors && !line.isError))
        return false;
    if (serviceID && line.serviceID != serviceID)
        return false;
    const QString query = search.trimmed();
    return query.isEmpty() || line.text.contains(query, Qt::CaseInsensitive);
}

namespace LogLines {

QString timeText(Timestamp date)
{
    return date.toDateTime().toLocalTime().toString(u"HH:mm:ss"_s);
}

QString copyText(const QList<DevProcessLogLine> &lines)
{
    QStringList texts;
    texts.reserve(lines.size());
    for (const DevProcessLogLine &line : lines)
        texts.append(u'[' + timeText(line.date) + u"] "_s + line.text);
    return texts.join(u'\n');
}

} // namespace LogLines

} // namespace devnook
