#include "UsageSessionEditSheet.h"

#include "core/foundation/DateTexts.h"
#include "core/foundation/L10n.h"
#include "core/usage/UsageDurationFormatting.h"
#include "ui/kit/Kit.h"

#include <QDateTimeEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

using namespace Qt::StringLiterals;

namespace devnook {

namespace {

QDateTimeEdit *picker(Timestamp at, QWidget *parent)
{
    auto *edit = new QDateTimeEdit(at.toDateTime().toLocalTime(), parent);
    edit->setDisplayFormat(DateTexts::mediumDateTimeFormat());
    edit->setCalendarPopup(true);
    edit->setFixedWidth(220);
    return edit;
}

QWidget *fieldRow(const QString &title, QWidget *field, QWidget *parent)
{
    auto *row = new QWidget(parent);
    row->setMinimumHeight(42);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *label = new QLabel(title, row);
    label->setFont(Kit::font(14));
    layout->addWidget(label);
    layout->addStretch(1);
    layout->addWidget(field);
    return row;
}

} // namespace

UsageSessionEditSheet::UsageSessionEditSheet(const ProjectUsageSession &session, QWidget *parent)
    : QDialog(parent, Qt::Sheet), m_session(session), m_duration(new QLabel(this)),
      m_start(picker(session.startedAt, this)), m_end(picker(session.endedAt, this))
{
    setObjectName(u"usageSessionEditSheet"_s);
    setWindowTitle(L10n::text(u"usage_edit_session_title"_s));
    setFixedWidth(430);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(18);

    auto *title = new QLabel(L10n::text(u"usage_edit_session_title"_s), this);
    title->setFont(Kit::font(20, QFont::DemiBold));
    m_duration->setObjectName(u"editedDuration"_s);
    m_duration->setFont(Kit::font(13, QFont::Medium));
    Kit::setTextRole(m_duration, Kit::TextRole::kSecondary);
    auto *header = new QVBoxLayout;
    header->setSpacing(4);
    header->addWidget(title);
    header->addWidget(m_duration);
    column->addLayout(header);

    auto *card = new QFrame(this);
    Kit::setRole(card, Kit::Role::kCard);
    auto *fields = new QVBoxLayout(card);
    fields->setContentsMargins(14, 8, 14, 8);
    fields->setSpacing(0);
    fields->addWidget(fieldRow(L10n::text(u"usage_session_start"_s), m_start, card));
    fields->addWidget(Kit::makeDivider(card));
    fields->addWidget(fieldRow(L10n::text(u"usage_session_end"_s), m_end, card));
    column->addWidget(card);

    auto *cancel = new QPushButton(L10n::text(u"cancel"_s), this);
    cancel->setObjectName(u"cancel"_s);
    auto *save = new QPushButton(L10n::text(u"save_changes"_s), this);
    save->setObjectName(u"save"_s);
    save->setDefault(true);
    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(10);
    buttons->addStretch(1);
    buttons->addWidget(cancel);
    buttons->addWidget(save);
    column->addLayout(buttons);

    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(save, &QPushButton::clicked, this, [this] {
        Q_EMIT saved(m_session, startedAt(), endedAt());
        accept();
    });
    connect(m_start, &QDateTimeEdit::dateTimeChanged, this, &UsageSessionEditSheet::showDuration);
    connect(m_end, &QDateTimeEdit::dateTimeChanged, this, &UsageSessionEditSheet::showDuration);
    showDuration();
}

Timestamp UsageSessionEditSheet::startedAt() const
{
    return Timestamp::fromDateTime(m_start->dateTime());
}

Timestamp UsageSessionEditSheet::endedAt() const
{
    return Timestamp::fromDateTime(m_end->dateTime());
}

void UsageSessionEditSheet::setTimes(Timestamp startedAt, Timestamp endedAt)
{
    m_start->setDateTime(startedAt.toDateTime().toLocalTime());
    m_end->setDateTime(endedAt.toDateTime().toLocalTime());
}

void UsageSessionEditSheet::showDuration()
{
    m_duration->setText(UsageDurationFormatting::format(std::fabs(startedAt().secondsTo(endedAt()))));
}

} // namespace devnook
