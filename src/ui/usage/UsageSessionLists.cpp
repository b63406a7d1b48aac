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

QLabel *label(int size, QFont::Weight weight, QWidget *parent, const char *textRole = nullptr)
{
    auto *result = new QLabel(parent);
    result->setFont(Kit::font(size, weight));
    if (textRole)
        Kit::setTextRole(result, textRole);
    return result;
}

QPushButton *editButton(QWidget *parent)
{
    auto *button = new QPushButton(L10n::text(u"usage_edit_session"_s), parent);
    button->setObjectName(u"editSession"_s);
    button->setFont(Kit::font(12, QFont::Medium));
    button->setCursor(Qt::PointingHandCursor);
    Kit::setRole(button, Kit::Role::kPlainButton);
    Kit::setTextRole(button, Kit::TextRole::kSecondary);
    return button;
}

} // namespace

// One session of a list, shown again with another session when the list
// changes: the row of the recent sessions (date; source and times) or the
// one-line row of the long sessions (date and time of the start).
class UsageSessionRow final : public QWidget {
public:
    enum class Kind { session, longSession };

    UsageSessionRow(Kind kind, QWidget *parent) : QWidget(parent), m_kind(kind)
    {
        const bool recent = kind == Kind::session;
        setObjectName(recent ? u"sessionRow"_s : u"longSessionRow"_s);
        auto *layout = new QHBoxLayout(this);
        layout->setSpacing(12);
        m_date = label(recent ? 13 : 14, recent ? QFont::Medium : QFont::Normal, this);
        if (recent) {
            layout->setContentsMargins(0, 8, 0, 8);
            m_source = label(12, QFont::Medium, this, Kit::TextRole::kSecondary);
            m_times = label(12, QFont::Normal, this, Kit::TextRole::kTertiary);
            auto *left = new QVBoxLayout;
            left->setSpacing(6);
            left->addWidget(m_date);
            auto *second = new QHBoxLayout;
            second->setSpacing(8);
            second->addWidget(m_source);
            second->addWidget(m_times);
            second->addStretch(1);
            left->addLayout(second);
            layout->addLayout(left, 1);
            layout->addSpacing(12);
        } else {
            setMinimumHeight(36);
            layout->setContentsMargins(0, 0, 0, 0);
            layout->addWidget(m_date);
            layout->addStretch(1);
        }
        m_duration = label(recent ? 13 : 14, recent ? QFont::DemiBold : QFont::Medium, this);
        m_edit = editButton(this);
        layout->addWidget(m_duration);
        layout->addWidget(m_edit);
    }

    QPushButton *edit() const { return m_edit; }
    const ProjectUsageSession &session() const { return m_session; }

    void setSession(const ProjectUsageSession &session)
    {
        m_session = session;
        m_duration->setText(UsageDurationFormatting::format(session.trackedDuration()));
        if (m_kind == Kind::longSession) {
            m_date->setText(DateTexts::mediumDateTime(session.startedAt));
            return;
        }
        const QDateTime start = session.startedAt.toDateTime().toLocalTime();
        const QDateTime end = session.endedAt.toDateTime().toLocalTime();
        m_date->setText(DateTexts::mediumDate(start.date()));
        m_source->setText(ProjectUsageSessionSources::localizedTitle(session.source));
        m_times->setText(DateTexts::shortTime(start.time()) + u" \u2013 "_s +
                         DateTexts::shortTime(end.time()));
    }

private:
    Kind m_kind;
    ProjectUsageSession m_session;
    QLabel *m_date;
    QLabel *m_source = nullptr;
    QLabel *m_times = nullptr;
    QLabel *m_duration;
    QPushButton *m_edit;
};

namespace {

// Shows the first sessions in the rows, making the rows that are missing and
// hiding the ones left over; a row's divider shows with it. Rows are kept, so
// an edit button being clicked is never deleted under its click.
template <class List>
void showSessions(List *list, QVBoxLayout *rows, QList<UsageSessionRow *> &shown, QList<QWidget *> &dividers,
                  const QList<ProjectUsageSession> &sessions, int count, UsageSessionRow::Kind kind,
                  bool dividerBeforeFirst)
{
    while (shown.size() < count) {
        QWidget *divider = Kit::makeDivider(list);
        auto *row = new UsageSessionRow(kind, list);
        QObject::connect(row->edit(), &QPushButton::clicked, list,
                         [list, row] { Q_EMIT list->editRequested(row->session()); });
        rows->addWidget(divider);
        rows->addWidget(row);
        dividers.append(divider);
        shown.append(row);
    }
    for (int i = 0; i < shown.size(); ++i) {
        if (i < count)
            shown[i]->setSession(sessions[i]);
        shown[i]->setVisible(i < count);
        dividers[i]->setVisible(i < count && (i > 0 || dividerBeforeFirst));
    }
}

QVBoxLayout *rowsLayout()
{
    auto *rows = new QVBoxLayout;
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(0);
    return rows;
}

} // namespace

UsageSessionsList::UsageSessionsList(QWidget *parent)
    : QWidget(parent), m_visibleCount(UsageViewRules::kSessionPageSize), m_rowsLayout(rowsLayout()),
      m_showMore(new QPushButton(this))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_showMore->setObjectName(u"showMoreSessions"_s);
    m_showMore->setFont(Kit::font(13, QFont::Medium));
    m_showMore->setFixedHeight(34);
    Kit::setRole(m_showMore, Kit::Role::kPlainButton);
    layout->addLayout(m_rowsLayout);
    layout->addSpacing(8);
    layout->addWidget(m_showMore);
    connect(m_showMore, &QPushButton::clicked, this, [this] {
        m_visibleCount += UsageViewRules::kSessionPageSize;
        showPage();
    });
    showPage();
}

void UsageSessionsList::setSessions(const QList<ProjectUsageSession> &sessions)
{
    m_visibleCount = UsageViewRules::visibleCountAfterChange(
        static_cast<int>(m_sessions.size()), static_cast<int>(sessions.size()), m_visibleCount);
    m_sessions = sessions;
    showPage();
}

void UsageSessionsList::showPage()
{
    const int shown = std::min(m_visibleCount, static_cast<int>(m_sessions.size()));
    showSessions(this, m_rowsLayout, m_rows, m_dividers, m_sessions, shown, UsageSessionRow::Kind::session,
                 false);
    const int more = UsageViewRules::moreSessionCount(static_cast<int>(m_sessions.size()), m_visibleCount);
    m_showMore->setText(L10n::format(u"usage_show_more_sessions"_s, {QString::number(more)}));
    m_showMore->setVisible(more > 0);
    layout()->itemAt(1)->spacerItem()->changeSize(0, more > 0 ? 8 : 0);
    layout()->invalidate();
}

UsageLongSessionsList::UsageLongSessionsList(QWidget *parent) : QWidget(parent), m_rowsLayout(rowsLayout())
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto *message = label(12, QFont::Normal, this, Kit::TextRole::kSecondary);
    message->setText(L10n::text(u"usage_long_sessions_message"_s));
    message->setWordWrap(true);
    message->setContentsMargins(0, 8, 0, 8);
    layout->addWidget(message);
    layout->addLayout(m_rowsLayout);
}

void UsageLongSessionsList::setSessions(const QList<ProjectUsageSession> &sessions)
{
    const int shown = std::min(static_cast<int>(sessions.size()), UsageViewRules::kLongSessionsShown);
    showSessions(this, m_rowsLayout, m_rows, m_dividers, sessions, shown, UsageSessionRow::Kind::longSession,
                 true);
}

} // namespace devnook
