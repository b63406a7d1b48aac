#include "SetAsideRecords.h"

#include "L10n.h"

namespace devnook {

void SetAsideRecords::add(const QString &reason, int records)
{
    count += records;
    // A history of a hundred thousand broken sessions keeps ten texts.
    if (reasons.size() < kReasonsTold) {
        reasons.append(reason);
        ++m_lostTold;
    }
}

void SetAsideRecords::addMended(const QString &reason)
{
    ++mended;
    if (reasons.size() < kReasonsTold)
        reasons.append(reason);
}

QString SetAsideRecords::told(const QString &headingKey, const QString &moreKey) const
{
    if (isEmpty())
        return {};
    QStringList lines;
    if (count > 0)
        lines.append(L10n::plural(headingKey, count));
    lines.append(reasons);
    if (const int more = count - m_lostTold; more > 0)
        lines.append(L10n::plural(moreKey, more));
    return lines.join(u'\n');
}

} // namespace devnook
