#include "SetAsideRecords.h"

#include "L10n.h"

namespace devnook {

void SetAsideRecords::add(const QString &reason)
{
    // A history of a hundred thousand broken sessions keeps ten texts.
    if (count++ < kReasonsTold)
        reasons.append(reason);
}

QString SetAsideRecords::told(const QString &headingKey, const QString &moreKey) const
{
    if (count == 0)
        return {};
    QStringList lines{L10n::plural(headingKey, count)};
    lines.append(reasons);
    if (const int more = count - int(reasons.size()); more > 0)
        lines.append(L10n::plural(moreKey, more));
    return lines.join(u'\n');
}

} // namespace devnook
