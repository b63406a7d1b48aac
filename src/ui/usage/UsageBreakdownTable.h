#pragma once

#include "core/usage/UsageRecords.h"

#include <QWidget>

namespace devnook {

// The period's time by project, client or stack with each share. Project rows
// are buttons that open the project's usage; client and stack rows are not.
class UsageBreakdownTable final : public QWidget {
    Q_OBJECT

public:
    explicit UsageBreakdownTable(QWidget *parent = nullptr);

    // Shows the project rows for the project dimension, else the slices.
    void setRows(UsageDistributionDimension dimension, const QList<UsageProjectTableRow> &projectRows,
                 const QList<UsageDistributionSlice> &slices);

Q_SIGNALS:
    // Emitted when a project row is clicked.
    void projectRowSelected(const UsageProjectTableRow &row);

private:
    QWidget *m_content = nullptr;
};

} // namespace devnook
