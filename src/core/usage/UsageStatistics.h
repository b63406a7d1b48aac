#pragma once

#include <QString>
#include <QUuid>
#include <optional>

// The groups the usage statistics add time up by.
namespace devnook::UsageStatistics {

// The group a session falls in for one dimension.
struct GroupingKey {
    QString id;
    QString label;
    // Set in the project dimension only.
    std::optional<QUuid> projectID;

    bool operator==(const GroupingKey &) const = default;
};

size_t qHash(const GroupingKey &key, size_t seed = 0);

struct GroupedDuration {
    GroupingKey key;
    double duration = 0.0;

    bool operator==(const GroupedDuration &) const = default;
};

} // namespace devnook::UsageStatistics
