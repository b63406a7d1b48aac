#include "UsageCustomDateRangePicker.h"

#include "core/foundation/L10n.h"
#include "ui/kit/Kit.h"

#include <QDateEdit>
#include <QHBoxLayout>
#include <QLabel>

using namespace Qt::StringLiterals;

namespace devnook {

namespace {

QDateEdit *dateField(const QString &key, Timestamp at, QHBoxLayout *row, QWidget *parent)
{
    auto *title = new QLabel(L10n::text(key), parent);
    title->setFont(Kit::font(12, QFont::Medium));
    Kit::setTextRole(title, Kit::TextRole::kSecondary);
    auto *edit = new QDateEdit(at.toDateTime().toLocalTime().date(), parent);
    edit->setObjectName(key);
    edit->setCalendarPopup(true);
    edit->setFixedWidth(124);
    row->addWidget(title);
    row->addSpacing(6);
    row->addWidget(edit);
    return edit;
}

Timestamp dayStart(QDate date)
{
    return Timestamp::fromDateTime(date.startOfDay());
}

} // namespace

UsageCustomDateRangePicker::UsageCustomDateRangePicker(const UsageDateRange &range, QWidget *parent)
    : QFrame(parent), m_range(range)
{
    setObjectName(u"customRangePicker"_s);
    Kit::setRole(this, Kit::Role::kCard);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(10, 8, 10, 8);
    row->setSpacing(0);
    m_from = dateField(u"usage_custom_from"_s, range.start, row, this);
    row->addSpacing(12);
    auto *divider = new QFrame(this);
    divider->setFrameShape(QFrame::VLine);
    divider->setFixedHeight(22);
    row->addWidget(divider);
    row->addSpacing(12);
    m_to = dateField(u"usage_custom_to"_s, range.end, row, this);

    connect(m_from, &QDateEdit::dateChanged, this, [this](QDate date) {
        m_range.start = dayStart(date);
        Q_EMIT rangeChanged(m_range);
    });
    connect(m_to, &QDateEdit::dateChanged, this, [this](QDate date) {
        m_range.end = dayStart(date);
        Q_EMIT rangeChanged(m_range);
    });
}

} // namespace devnook
