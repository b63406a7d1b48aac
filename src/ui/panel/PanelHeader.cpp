#include "PanelHeader.h"

#include "core/foundation/L10n.h"
#include "ui/kit/Icons.h"
#include "ui/kit/Kit.h"
#include "ui/kit/Palette.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace devnook {

namespace {

QToolButton *makeSymbolButton(const QString &name, QWidget *parent)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(name);
    Kit::setRole(button, Kit::Role::kPlainButton);
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

} // namespace

PanelHeader::PanelHeader(PanelListState &state, QWidget *parent) : QWidget(parent), m_state(state)
{
    setObjectName(u"panelHeader"_s);

    auto *titleRow = new QHBoxLayout;
    titleRow->setSpacing(10);
    auto *logo = new QLabel(this);
    logo->setObjectName(u"panelLogo"_s);
    m_symbols.append({logo, u"dock.rectangle"_s});
    auto *title = new QLabel(L10n::text(u"Devnook"_s), this);
    title->setFont(Kit::font(22, QFont::DemiBold));
    titleRow->addWidget(logo);
    titleRow->addWidget(title);
    titleRow->addStretch();
    m_addButton = makeSymbolButton(u"panelAddButton"_s, this);
    Kit::setRole(m_addButton, Kit::Role::kCircleButton);
    m_addButton->setFixedSize(32, 32);
    titleRow->addWidget(m_addButton);
    connect(m_addButton, &QToolButton::clicked, this, &PanelHeader::addRequested);

    m_searchRow = makeSearchRow();

    m_column = new QVBoxLayout;
    m_column->setContentsMargins(18, 32, 18, 18);
    m_column->setSpacing(16);
    m_column->addLayout(titleRow);
    m_column->addWidget(m_searchRow);

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    outer->addLayout(m_column);
    outer->addWidget(Kit::makeDivider(this));
    updateOptionRows();
    updateSymbols();
}

QWidget *PanelHeader::makeSearchRow()
{
    auto *row = new QWidget(this);
    row->setObjectName(u"searchRow"_s);
    auto *box = new QFrame(row);
    box->setObjectName(u"searchBox"_s);
    Kit::setRole(box, Kit::Role::kField);
    auto *glass = new QLabel(box);
    m_symbols.append({glass, u"magnifyingglass"_s});
    m_search = new QLineEdit(box);
    m_search->setObjectName(u"searchField"_s);
    Kit::setRole(m_search, Kit::Role::kPlainButton);
    m_search->setFont(Kit::font(14));
    m_search->setPlaceholderText(L10n::text(u"search_projects"_s));
    m_search->setText(m_state.searchText);
    m_clear = makeSymbolButton(u"searchClearButton"_s, box);
    auto *boxRow = new QHBoxLayout(box);
    boxRow->setContentsMargins(11, 9, 11, 9);
    boxRow->setSpacing(8);
    boxRow->addWidget(glass);
    boxRow->addWidget(m_search, 1);
    boxRow->addWidget(m_clear);
    connect(m_search, &QLineEdit::textChanged, this, [this](const QString &text) {
        m_state.searchText = text;
        m_clear->setVisible(!text.isEmpty());
        Q_EMIT listStateChanged();
    });
    connect(m_clear, &QToolButton::clicked, m_search, &QLineEdit::clear);
    m_clear->setVisible(!m_state.searchText.isEmpty());

    m_filterToggle = makeSymbolButton(u"archiveFilterToggle"_s, row);
    m_sortToggle = makeSymbolButton(u"sortToggle"_s, row);
    m_groupToggle = makeSymbolButton(u"groupToggle"_s, row);
    connect(m_filterToggle, &QToolButton::clicked, this,
            [this] { toggleOptionRow(&PanelListState::showsArchiveFilters); });
    connect(m_sortToggle, &QToolButton::clicked, this,
            [this] { toggleOptionRow(&PanelListState::showsSortOptions); });
    connect(m_groupToggle, &QToolButton::clicked, this,
            [this] { toggleOptionRow(&PanelListState::showsGroupOptions); });
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->addWidget(box, 1);
    auto *toggles = new QHBoxLayout;
    toggles->setSpacing(2);
    for (QToolButton *toggle : {m_filterToggle, m_sortToggle, m_groupToggle}) {
        toggle->setFixedSize(26, 32);
        toggles->addWidget(toggle);
    }
    layout->addLayout(toggles);
    return row;
}

template <typename Enum>
QWidget *PanelHeader::makeOptionRow(const QString &name, const QList<Enum> &cases, Enum current,
                                    void (PanelHeader::*choose)(Enum))
{
    auto *row = new QWidget(this);
    row->setObjectName(name);
    row->setAttribute(Qt::WA_StyledBackground);
    Kit::setRole(row, Kit::Role::kSegments);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    auto *group = new QButtonGroup(row);
    for (const Enum value : cases) {
        auto *segment = new QPushButton(L10n::text(ProjectListOptions::titleKey(value)), row);
        segment->setObjectName(ProjectListOptions::rawValue(value));
        Kit::setRole(segment, Kit::Role::kSegment);
        segment->setFont(Kit::font(12, QFont::Medium));
        segment->setCheckable(true);
        segment->setChecked(value == current);
        // Five sort titles share the panel's width; each may shrink.
        segment->setMinimumWidth(0);
        segment->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        group->addButton(segment);
        layout->addWidget(segment, 1);
        connect(segment, &QPushButton::clicked, this, [this, choose, value] { (this->*choose)(value); });
    }
    return row;
}

void PanelHeader::chooseArchiveFilter(ProjectArchiveFilter filter)
{
    m_state.archiveFilter = filter;
    Q_EMIT listStateChanged();
}

void PanelHeader::chooseSortMode(ProjectSortMode mode)
{
    m_state.sortMode = mode;
    Q_EMIT listStateChanged();
}

void PanelHeader::chooseGroupMode(ProjectGroupMode mode)
{
    if (m_state.setGroupMode(mode))
        Q_EMIT listStateChanged();
}

void PanelHeader::toggleOptionRow(bool PanelListState::*flag)
{
    m_state.*flag = !(m_state.*flag);
    updateOptionRows();
    updateSymbols();
}

void PanelHeader::setHasProjects(bool hasProjects)
{
    m_hasProjects = hasProjects;
    updateOptionRows();
}

void PanelHeader::setSearchText(const QString &text)
{
    m_search->setText(text);
}

void PanelHeader::updateOptionRows()
{
    m_searchRow->setVisible(m_hasProjects);
    const std::array<bool, kOptionRowCount> shown{m_state.showsArchiveFilters, m_state.showsSortOptions,
                                                  m_state.showsGroupOptions};
    for (int row = 0; row < kOptionRowCount; ++row) {
        const bool visible = m_hasProjects && shown[row];
        // Made the first time they open: most launches never open one.
        if (visible && !m_optionRows[row])
            insertOptionRow(row);
        if (m_optionRows[row])
            m_optionRows[row]->setVisible(visible);
    }
}

void PanelHeader::insertOptionRow(int row)
{
    QWidget *made = nullptr;
    switch (row) {
    case kArchiveRow:
        made = makeOptionRow(u"archiveFilterRow"_s, ProjectListOptions::archiveFilters(), m_state.archiveFilter,
                             &PanelHeader::chooseArchiveFilter);
        break;
    case kSortRow:
        made = makeOptionRow(u"sortModeRow"_s, ProjectListOptions::sortModes(), m_state.sortMode,
                             &PanelHeader::chooseSortMode);
        break;
    default:
        made = makeOptionRow(u"groupModeRow"_s, ProjectListOptions::groupModes(), m_state.groupMode,
                             &PanelHeader::chooseGroupMode);
        break;
    }
    // Under the search row, after the rows above it that were made before.
    const auto above = std::count_if(m_optionRows.begin(), m_optionRows.begin() + row,
                                     [](const QWidget *made) { return made != nullptr; });
    m_column->insertWidget(m_column->indexOf(m_searchRow) + 1 + static_cast<int>(above), made);
    m_optionRows[row] = made;
}

void PanelHeader::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::PaletteChange)
        updateSymbols();
    QWidget::changeEvent(event);
}

void PanelHeader::updateSymbols()
{
    const ThemePalette &colors = Palette::of(palette());
    const qreal ratio = devicePixelRatioF();
    for (const auto &[label, name] : std::as_const(m_symbols))
        static_cast<QLabel *>(label)->setPixmap(
            Icons::pixmap(name, name == u"magnifyingglass" ? colors.secondaryLabel : colors.label,
                          name == u"magnifyingglass" ? 14 : 20, ratio));
    m_addButton->setIcon(Icons::icon(u"plus"_s, colors.windowBackground, 12));
    m_addButton->setIconSize(QSize(12, 12));
    m_clear->setIcon(Icons::icon(u"xmark.circle.fill"_s, colors.secondaryLabel, 13));
    m_clear->setIconSize(QSize(13, 13));
    const auto toggle = [&](QToolButton *button, const QString &symbol, bool open) {
        button->setIcon(Icons::icon(symbol, open ? colors.label : colors.secondaryLabel, 13));
        button->setIconSize(QSize(13, 13));
    };
    toggle(m_filterToggle, u"line.3.horizontal.decrease"_s, m_state.showsArchiveFilters);
    toggle(m_sortToggle, u"arrow.up.arrow.down"_s, m_state.showsSortOptions);
    toggle(m_groupToggle, u"rectangle.3.group"_s, m_state.showsGroupOptions);
}

} // namespace devnook
