#include "UsageStatistics.h"

#include <QHashFunctions>

namespace devnook::UsageStatistics {

size_t qHash(const GroupingKey &key, size_t seed)
{
    return qHashMulti(seed, key.id, key.label, key.projectID.value_or(QUuid()));
}

} // namespace devnook::UsageStatistics
