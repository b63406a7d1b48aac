#pragma once

#include "core/usage/UsageRecords.h"

#include <QPixmap>
#include <QWidget>
#include <optional>

namespace devnook {

// The period's time by project, client or stack with each share, painted as
// one widget so that hundreds of rows cost no child widgets. A click on a
// project row selects it; client and stack rows are not interactive.
class UsageBreakdownTable final : public QWidget {
    Q_OBJECT

public:
    explicit UsageBreakdownTable(QWidget *parent = nullptr);

    // Shows the project rows for the project dimension, else the slices.
    void setRows(UsageDistributionDimension dimension, const QList<UsageProjectTableRow> &projectRows,
                 const QList<UsageDistributionSlice> &slices);

    // The name column of each row shown, a client in parentheses after its project.
    QStringList rowNames() const;
    // Where the row is drawn; empty for a row that is not shown.
    QRect rowRect(int index) const;
    // Where the symbol after a row's client is drawn; empty for a row without one.
    QRect clientSymbolRect(int index) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    // Emitted when a project row is clicked.
    void projectRowSelected(const UsageProjectTableRow &row);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    struct Row {
        quint32 colorHex = 0;
        QString name;
        std::optional<QString> clientName;
        double duration = 0.0;
        double percentage = 0.0;
        std::optional<UsageProjectTableRow> project;
    };

    // The texts of a row's name cell as they fit, and where they go.
    struct NameCell {
        QString name;
        QRect nameRect;
        QString client;
        QRect clientRect;
        QRect symbolRect;
    };

    NameCell nameCell(int index) const;
    int durationLeft() const;
    int headerHeight() const;
    int rowHeight() const;
    int rowAt(QPointF point) const;

    QList<Row> m_rows;
    // The client symbol in the colour and pixel ratio it was last drawn in.
    QPixmap m_symbol;
    QColor m_symbolColor;
};

} // namespace devnook
