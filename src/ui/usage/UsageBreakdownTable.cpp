#include "UsageBreakdownTable.h"

#include "UsageShares.h"
#include "core/foundation/L10n.h"
#include "core/usage/UsageDurationFormatting.h"
#include "ui/kit/Kit.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace devnook {

namespace {

constexpr int kDurationWidth = 88;
constexpr int kShareWidth = 56;

QLabel *cell(const QString &text, int size, QFont::Weight weight, QWidget *parent, int width = 0,
             bool secondary = false)
{
    auto *label = new QLabel(text, parent);
    label->setFont(Kit::font(size, weight));
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    if (width > 0) {
        label->setFixedWidth(width);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    if (secondary)
        Kit::setTextRole(label, Kit::TextRole::kSecondary);
    return label;
}

// Swatch, name, duration and share; the name takes the spare width.
void fillRow(QWidget *row, quint32 colorHex, QWidget *name, double duration, double percentage)
{
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 8, 0, 8);
    layout->setSpacing(10);
    layout->addWidget(UsageShares::makeSwatch(colorHex, row));
    layout->addWidget(name, 1);
    layout->addWidget(
        cell(UsageDurationFormatting::format(duration), 12, QFont::Medium, row, kDurationWidth));
    layout->addWidget(cell(UsageShares::percentText(percentage), 12, QFont::Normal, row, kShareWidth, true));
}

QWidget *projectName(const UsageProjectTableRow &row, QWidget *parent)
{
    auto *name = new QWidget(parent);
    name->setAttribute(Qt::WA_TransparentForMouseEvents);
    auto *layout = new QHBoxLayout(name);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    layout->addWidget(cell(row.projectName, 13, QFont::Medium, name));
    if (row.clientName)
        layout->addWidget(cell(u'(' + *row.clientName + u')', 13, QFont::Normal, name, 0, true));
    layout->addStretch(1);
    return name;
}

} // namespace

UsageBreakdownTable::UsageBreakdownTable(QWidget *parent) : QWidget(parent)
{
    setObjectName(u"breakdownTable"_s);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
}

void UsageBreakdownTable::setRows(UsageDistributionDimension dimension,
                                  const QList<UsageProjectTableRow> &projectRows,
                                  const QList<UsageDistributionSlice> &slices)
{
    // The old rows go once control is back in the event loop: one of them may
    // be the button being clicked.
    if (m_content) {
        layout()->removeWidget(m_content);
        m_content->hide();
        m_content->deleteLater();
    }
    m_content = new QWidget(this);
    layout()->addWidget(m_content);
    auto *column = new QVBoxLayout(m_content);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    const bool byProject = dimension == UsageDistributionDimension::project;
    const qsizetype count = byProject ? projectRows.size() : slices.size();
    if (count == 0) {
        column->addWidget(cell(L10n::text(u"usage_no_data"_s), 13, QFont::Normal, m_content, 0, true));
        return;
    }
    auto *header = new QWidget(m_content);
    auto *headerRow = new QHBoxLayout(header);
    headerRow->setContentsMargins(0, 0, 0, 8);
    headerRow->addStretch(1);
    headerRow->addWidget(
        cell(L10n::text(u"usage_table_duration"_s), 11, QFont::DemiBold, header, kDurationWidth, true));
    headerRow->addWidget(
        cell(L10n::text(u"usage_table_share"_s), 11, QFont::DemiBold, header, kShareWidth, true));
    column->addWidget(header);
    column->addWidget(Kit::makeDivider(m_content));
    for (qsizetype i = 0; i < count; ++i) {
        if (i > 0) {
            column->addSpacing(2);
            column->addWidget(Kit::makeDivider(m_content));
            column->addSpacing(2);
        }
        if (byProject) {
            const UsageProjectTableRow &row = projectRows[i];
            auto *button = new QPushButton(m_content);
            button->setObjectName(u"projectRow"_s);
            Kit::setRole(button, Kit::Role::kPlainButton);
            fillRow(button, row.colorHex, projectName(row, button), row.duration, row.percentage);
            button->setMinimumHeight(button->layout()->sizeHint().height());
            connect(button, &QPushButton::clicked, this, [this, row] { Q_EMIT projectRowSelected(row); });
            column->addWidget(button);
        } else {
            const UsageDistributionSlice &slice = slices[i];
            auto *row = new QWidget(m_content);
            row->setObjectName(u"sliceRow"_s);
            fillRow(row, slice.colorHex, cell(slice.label, 13, QFont::Medium, row), slice.duration,
                    slice.percentage);
            column->addWidget(row);
        }
    }
}

} // namespace devnook
