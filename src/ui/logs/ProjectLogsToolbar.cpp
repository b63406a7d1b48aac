#include "ProjectLogsToolbar.h"

#include "core/foundation/L10n.h"
#include "ui/kit/Icons.h"
#include "ui/kit/Kit.h"
#include "ui/kit/Palette.h"
#include "ui/kit/Tooltip.h"

#include <QButtonGroup>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace devnook {

namespace {

constexpr int kSpacing = 8;
constexpr int kSmallSymbol = 12;
constexpr int kFollowSymbol = 13;
constexpr int kFollowSide = 32;
constexpr int kKindPickerMaxWidth = 220;

struct KindChoice {
    ProcessLogFilter kind;
    const char *objectName;
    QString titleKey;
};

const QList<KindChoice> &kindChoices()
{
    static const QList<KindChoice> choices{
        {ProcessLogFilter::all, "filterAll", u"logs_filter_all"_s},
        {ProcessLogFilter::output, "filterOutput", u"logs_filter_output"_s},
        {ProcessLogFilter::errors, "filterErrors", u"logs_filter_errors"_s},
    };
    return choices;
}

} // namespace

ProjectLogsToolbar::ProjectLogsToolbar(QWidget *parent) : QWidget(parent)
{
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(kSpacing);
    row->addWidget(makeSearchField(), 1);
    row->addWidget(makeKindPicker());

    m_follow = new QToolButton(this);
    m_follow->setObjectName(u"followButton"_s);
    m_follow->setFixedSize(kFollowSide, kFollowSide);
    m_follow->setIconSize(QSize(kFollowSymbol, kFollowSymbol));
    Kit::setRole(m_follow, Kit::Role::kOutlined);
    connect(m_follow, &QToolButton::clicked, this, &ProjectLogsToolbar::followClicked);
    row->addWidget(m_follow);
    showFollowsTail(true);
}

QString ProjectLogsToolbar::searchText() const
{
    return m_search->text();
}

ProcessLogFilter ProjectLogsToolbar::kind() const
{
    return static_cast<ProcessLogFilter>(m_kinds->checkedId());
}

void ProjectLogsToolbar::showFollowsTail(bool follows)
{
    m_followsTail = follows;
    Tooltip::attach(m_follow, L10n::text(follows ? u"logs_follow_tail_on"_s : u"logs_follow_tail_off"_s),
                    TooltipPlacement::top);
    updateIcons();
}

void ProjectLogsToolbar::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    // The symbols are drawn in the theme's colours; a theme change redraws them.
    if (event->type() == QEvent::PaletteChange)
        updateIcons();
}

QWidget *ProjectLogsToolbar::makeSearchField()
{
    auto *field = new QFrame(this);
    Kit::setRole(field, Kit::Role::kOutlined);
    auto *layout = new QHBoxLayout(field);
    layout->setContentsMargins(10, 6, 10, 6);
    layout->setSpacing(kSpacing);

    m_searchIcon = new QLabel(field);
    layout->addWidget(m_searchIcon);

    m_search = new QLineEdit(field);
    m_search->setObjectName(u"searchField"_s);
    m_search->setPlaceholderText(L10n::text(u"logs_search_placeholder"_s));
    m_search->setFrame(false);
    m_search->setFont(Kit::font(13));
    m_search->setStyleSheet(u"background: transparent;"_s);
    layout->addWidget(m_search, 1);

    m_clearSearch = new QToolButton(field);
    m_clearSearch->setObjectName(u"clearSearchButton"_s);
    m_clearSearch->setIconSize(QSize(kSmallSymbol, kSmallSymbol));
    Kit::setRole(m_clearSearch, Kit::Role::kPlainButton);
    m_clearSearch->hide();
    layout->addWidget(m_clearSearch);

    connect(m_search, &QLineEdit::textChanged, this, [this](const QString &text) {
        // A search of spaces filters nothing but can still be cleared.
        m_clearSearch->setVisible(!text.isEmpty());
        Q_EMIT filterEdited();
    });
    connect(m_clearSearch, &QToolButton::clicked, m_search, &QLineEdit::clear);
    return field;
}

QWidget *ProjectLogsToolbar::makeKindPicker()
{
    auto *picker = new QFrame(this);
    Kit::setRole(picker, Kit::Role::kCard);
    picker->setMaximumWidth(kKindPickerMaxWidth);
    auto *layout = new QHBoxLayout(picker);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    m_kinds = new QButtonGroup(picker);
    for (const KindChoice &choice : kindChoices()) {
        auto *segment = new QPushButton(L10n::text(choice.titleKey), picker);
        segment->setObjectName(QString::fromLatin1(choice.objectName));
        segment->setCheckable(true);
        segment->setFont(Kit::font(12, QFont::Medium));
        Kit::setRole(segment, Kit::Role::kTab);
        m_kinds->addButton(segment, static_cast<int>(choice.kind));
        layout->addWidget(segment);
    }
    m_kinds->button(static_cast<int>(ProcessLogFilter::all))->setChecked(true);
    connect(m_kinds, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked)
            Q_EMIT filterEdited();
    });
    return picker;
}

void ProjectLogsToolbar::updateIcons()
{
    const ThemePalette &colors = Palette::of(palette());
    const qreal ratio = devicePixelRatioF();
    m_searchIcon->setPixmap(Icons::pixmap(u"magnifyingglass"_s, colors.secondaryLabel, kSmallSymbol, ratio));
    m_clearSearch->setIcon(Icons::icon(u"xmark.circle.fill"_s, colors.secondaryLabel, kSmallSymbol));
    m_follow->setIcon(Icons::icon(m_followsTail ? u"arrow.down.to.line.compact"_s : u"arrow.down.to.line"_s,
                                  m_followsTail ? colors.label : colors.secondaryLabel, kFollowSymbol));
}

} // namespace devnook
