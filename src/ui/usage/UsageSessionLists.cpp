#include "UsageSessionLists.h"

#include "UsageViewRules.h"
#include "core/foundation/DateTexts.h"
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

QLabel *label(const QString &text, int size, QFont::Weight weight, QWidget *parent,
              const char *textRole = nullptr)
{
    auto *result = new QLabel(text, parent);
    result->setFont(Kit::font(size, weight));
    if (textRole)
        Kit::setTextRole(result, textRole);
    return result;
}

template <class List> QPushButton *editButton(const ProjectUsageSession &session, List *list, QWidget *parent)
{
    auto *button = new QPushButton(L10n::text(u"usage_edit_session"_s), parent);
    button->setObjectName(u"editSession"_s);
    button->setFont(Kit::font(12, QFont::Medium));
    button->setCursor(Qt::PointingHandCursor);
    Kit::setRole(button, Kit::Role::kPlainButton);
    Kit::setTextRole(button, Kit::TextRole::kSecondary);
    QObject::connect(button, &QPushButton::clicked, list,
                     [list, session] { Q_EMIT list->editRequested(session); });
    return button;
}

QWidget *sessionRow(const ProjectUsageSession &session, UsageSessionsList *list, QWidget *parent)
{
    const QDateTime start = session.startedAt.toDateTime().toLocalTime();
    const QDateTime end = session.endedAt.toDateTime().toLocalTime();
    auto *row = new QWidget(parent);
    row->setObjectName(u"sessionRow"_s);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 8, 0, 8);
    layout->setSpacing(12);
    auto *left = new QVBoxLayout;
    left->setSpacing(6);
    left->addWidget(label(DateTexts::mediumDate(start.date()), 13, QFont::Medium, row));
    auto *second = new QHBoxLayout;
    second->setSpacing(8);
    second->addWidget(label(ProjectUsageSessionSources::localizedTitle(session.source), 12, QFont::Medium,
                            row, Kit::TextRole::kSecondary));
    second->addWidget(
        label(DateTexts::shortTime(start.time()) + u" \u2013 "_s + DateTexts::shortTime(end.time()), 12,
              QFont::Normal, row, Kit::TextRole::kTertiary));
    second->addStretch(1);
    left->addLayout(second);
    layout->addLayout(left, 1);
    layout->addSpacing(12);
    layout->addWidget(
        label(UsageDurationFormatting::format(session.trackedDuration()), 13, QFont::DemiBold, row));
    layout->addWidget(editButton(session, list, row));
    return row;
}

QWidget *longSessionRow(const ProjectUsageSession &session, UsageLongSessionsList *list, QWidget *parent)
{
    auto *row = new QWidget(parent);
    row->setObjectName(u"longSessionRow"_s);
    row->setMinimumHeight(36);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(12);
    layout->addWidget(label(DateTexts::mediumDateTime(session.startedAt), 14, QFont::Normal, row));
    layout->addStretch(1);
    layout->addWidget(
        label(UsageDurationFormatting::format(session.trackedDuration()), 14, QFont::Medium, row));
    layout->addWidget(editButton(session, list, row));
    return row;
}

// A fresh holder of rows in place of the old one, which goes once control is
// back in the event loop: its edit button may be the one being clicked.
QWidget *replaceRows(QWidget *old, QVBoxLayout *layout, int index, QWidget *parent)
{
    if (old) {
        layout->removeWidget(old);
        old->hide();
        old->deleteLater();
    }
    auto *rows = new QWidget(parent);
    rows->setObjectName(u"rows"_s);
    auto *column = new QVBoxLayout(rows);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    layout->insertWidget(index, rows);
    return rows;
}

} // namespace

UsageSessionsList::UsageSessionsList(QWidget *parent)
    : QWidget(parent), m_visibleCount(UsageViewRules::kSessionPageSize), m_showMore(new QPushButton(this))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_showMore->setObjectName(u"showMoreSessions"_s);
    m_showMore->setFont(Kit::font(13, QFont::Medium));
    m_showMore->setFixedHeight(34);
    Kit::setRole(m_showMore, Kit::Role::kPlainButton);
    layout->addSpacing(8);
    layout->addWidget(m_showMore);
    connect(m_showMore, &QPushButton::clicked, this, [this] {
        m_visibleCount += UsageViewRules::kSessionPageSize;
        rebuild();
    });
    rebuild();
}

void UsageSessionsList::setSessions(const QList<ProjectUsageSession> &sessions)
{
    m_visibleCount = UsageViewRules::visibleCountAfterChange(
        static_cast<int>(m_sessions.size()), static_cast<int>(sessions.size()), m_visibleCount);
    m_sessions = sessions;
    rebuild();
}

void UsageSessionsList::rebuild()
{
    auto *layout = static_cast<QVBoxLayout *>(this->layout());
    m_rows = replaceRows(m_rows, layout, 0, this);
    const int shown = std::min(m_visibleCount, static_cast<int>(m_sessions.size()));
    for (int i = 0; i < shown; ++i) {
        if (i > 0)
            m_rows->layout()->addWidget(Kit::makeDivider(m_rows));
        m_rows->layout()->addWidget(sessionRow(m_sessions[i], this, m_rows));
    }
    const int more = UsageViewRules::moreSessionCount(static_cast<int>(m_sessions.size()), m_visibleCount);
    m_showMore->setText(L10n::format(u"usage_show_more_sessions"_s, {QString::number(more)}));
    m_showMore->setVisible(more > 0);
    layout->itemAt(1)->spacerItem()->changeSize(0, more > 0 ? 8 : 0);
    layout->invalidate();
}

UsageLongSessionsList::UsageLongSessionsList(QWidget *parent) : QWidget(parent)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto *message = label(L10n::text(u"usage_long_sessions_message"_s), 12, QFont::Normal, this,
                          Kit::TextRole::kSecondary);
    message->setWordWrap(true);
    message->setContentsMargins(0, 8, 0, 8);
    layout->addWidget(message);
}

void UsageLongSessionsList::setSessions(const QList<ProjectUsageSession> &sessions)
{
    m_rows = replaceRows(m_rows, static_cast<QVBoxLayout *>(layout()), 1, this);
    for (const ProjectUsageSession &session :
         sessions.first(std::min<qsizetype>(sessions.size(), UsageViewRules::kLongSessionsShown))) {
        m_rows->layout()->addWidget(Kit::makeDivider(m_rows));
        m_rows->layout()->addWidget(longSessionRow(session, this, m_rows));
    }
}

} // namespace devnook
