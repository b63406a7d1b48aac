#pragma once

#include <QString>
#include <QStringList>

namespace devnook {

// The records of a file that could not be read: how many, and why for the
// first of them, in file order; also the faults read past without losing a
// record, such as a comma missing between two whole records.
struct SetAsideRecords {
    // How many reasons are kept and told; the rest are only counted.
    static constexpr qsizetype kReasonsTold = 10;

    // Records lost: never fewer than did not load.
    int count = 0;
    // Faults read past.
    int mended = 0;
    // Of both kinds, in file order.
    QStringList reasons;

    // One reason for `records` records: a broken stretch of a file may hold
    // several.
    void add(const QString &reason, int records = 1);
    void addMended(const QString &reason);

    bool isEmpty() const { return count == 0 && mended == 0; }

    // The heading of headingKey (a plural key, the count filling %1) when a
    // record was lost, each reason on a line of its own, then moreKey's line
    // for the lost records beyond those told (a plural key too); empty when
    // nothing was found.
    QString told(const QString &headingKey, const QString &moreKey) const;

    bool operator==(const SetAsideRecords &) const = default;

private:
    // The lost records that a reason kept names.
    int m_lostTold = 0;
};

} // namespace devnook
