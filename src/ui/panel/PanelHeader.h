#pragma once

#include "core/panel/PanelList.h"

#include <QWidget>
#include <array>

class QButtonGroup;
class QLineEdit;
class QToolButton;
class QVBoxLayout;

namespace devnook {

// The top band of the list: the title with the add button and, while any
// project exists, the search field, the three option toggles and the option
// rows they open. It writes only the panel's list state.
class PanelHeader final : public QWidget {
    Q_OBJECT

public:
    PanelHeader(PanelListState &state, QWidget *parent = nullptr);

    // Shows or hides everything under the title row.
    void setHasProjects(bool hasProjects);
    // Puts a text into the search field, as a badge click does.
    void setSearchText(const QString &text);

Q_SIGNALS:
    void addRequested();
    // Emitted after any change of the list state made here.
    void listStateChanged();

protected:
    void changeEvent(QEvent *event) override;

private:
    QWidget *makeSearchRow();
    template <typename Enum>
    QWidget *makeOptionRow(const QString &name, const QList<Enum> &cases, Enum current,
                           void (PanelHeader::*choose)(Enum));
    void chooseArchiveFilter(ProjectArchiveFilter filter);
    void chooseSortMode(ProjectSortMode mode);
    void chooseGroupMode(ProjectGroupMode mode);
    void toggleOptionRow(bool PanelListState::*flag);
    void updateOptionRows();
    void insertOptionRow(int row);
    void updateSymbols();

    static constexpr int kArchiveRow = 0;
    static constexpr int kSortRow = 1;
    static constexpr int kOptionRowCount = 3;

    PanelListState &m_state;
    QVBoxLayout *m_column = nullptr;
    QWidget *m_searchRow = nullptr;
    QLineEdit *m_search = nullptr;
    QToolButton *m_clear = nullptr;
    QToolButton *m_addButton = nullptr;
    // The archive filter, sort and group rows, in their order under the search row.
    std::array<QWidget *, kOptionRowCount> m_optionRows{};
    QToolButton *m_filterToggle = nullptr;
    QToolButton *m_sortToggle = nullptr;
    QToolButton *m_groupToggle = nullptr;
    QList<QPair<QWidget *, QString>> m_symbols;
    bool m_hasProjects = false;
};

} // namespace devnook
