#pragma once

#include <QString>
#include <QStringList>

namespace devnook {

// The records of a file that could not be read: how many, and why for the
// first of them, in file order.
struct SetAsideRecords {
    // How many reasons are kept and told; the rest are only counted.
    static constexpr qsizetype kReasonsTold = 10;

    int count = 0;
    QStringList reasons;

    void add(const QString &reason);

    // The heading of headingKey (a plural key, the count filling %1), each
    // reason on a line of its own, then moreKey's line for the records beyond
    // the reasons told (a plural key too); empty when none was set aside.
    QString told(const QString &headingKey, const QString &moreKey) const;

    bool operator==(const SetAsideRecords &) const = default;
};

} // namespace devnook
