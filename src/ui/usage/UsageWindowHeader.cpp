#include "UsageWindowHeader.h"

#include "UsageCustomDateRangePicker.h"
#include "UsagePeriodPicker.h"
#include "core/foundation/L10n.h"
#include "ui/kit/Kit.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace devnook {

UsageWindowHeader::UsageWindowHeader(const QString &title, const QString &subtitle,
                                     UsageDateFilterOption filter, const UsageDateRange &range,
                                     QWidget *trailing, QWidget *parent)
    : QWidget(parent)
{
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(20, 20, 20, 12);
    column->setSpacing(12);
    auto *titleLabel = new QLabel(title, this);
    titleLabel->setFont(Kit::font(22, QFont::DemiBold));
    // A project's name: shown as written, never as markup.
    auto *subtitleLabel = new QLabel(subtitle, this);
    subtitleLabel->setObjectName(u"subtitle"_s);
    subtitleLabel->setTextFormat(Qt::PlainText);
    subtitleLabel->setFont(Kit::font(13));
    Kit::setTextRole(subtitleLabel, Kit::TextRole::kSecondary);
    auto *titles = new QVBoxLayout;
    titles->setSpacing(4);
    titles->addWidget(titleLabel);
    titles->addWidget(subtitleLabel);
    column->addLayout(titles);

    auto *periodRow = new QHBoxLayout;
    periodRow->setSpacing(10);
    auto *periodLabel = new QLabel(L10n::text(u"usage_filter_period"_s), this);
    periodLabel->setFont(Kit::font(13, QFont::Medium));
    Kit::setTextRole(periodLabel, Kit::TextRole::kSecondary);
    m_periodPicker = new UsagePeriodPicker(filter, this);
    periodRow->addWidget(periodLabel);
    periodRow->addWidget(m_periodPicker);
    periodRow->addStretch(1);
    if (trailing)
        periodRow->addWidget(trailing);
    column->addLayout(periodRow);
    m_customPicker = new UsageCustomDateRangePicker(range, this);
    column->addWidget(m_customPicker);
}

} // namespace devnook
