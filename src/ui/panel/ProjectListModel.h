#pragma once

#include "PanelStore.h"
#include "core/panel/PanelList.h"
#include "core/panel/ProjectRowActions.h"
#include "core/panel/ProjectRowRules.h"

#include <QAbstractListModel>

namespace devnook {

// The panel's list as rows: a header per section while grouped, then one row
// per project of each expanded section. Rows are keyed by section id or
// project id; a change that keeps the keys in order updates rows in place
// (one project's state: that row only), so scroll position and open menus
// survive store updates.
class ProjectListModel final : public QAbstractListModel {
    Q_OBJECT

public:
    enum class Kind { section, project };
    // The role of a dataChanged that keeps the row's height: its state,
    // badges' texts or buttons changed, so the row needs painting only.
    static constexpr int kSameHeightRole = Qt::UserRole + 1;

    struct SectionRow {
        QString id;
        QString title;
        std::optional<quint64> colorHex;
        qsizetype count = 0;
        bool isCollapsed = false;

        bool operator==(const SectionRow &) const = default;
    };

    struct ProjectRow {
        ProjectRowContext context;
        ProjectRowDisplay display;
        QList<RowActionButton> actionBar;

        bool operator==(const ProjectRow &) const = default;
    };

    ProjectListModel(PanelStore &store, const PanelListState &state, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    // The project's name or the section's title as the display and the
    // accessible text role; for a project, as the accessible description,
    // what its card shows: the state, each badge, a missing folder and the
    // titles of the action buttons.
    QVariant data(const QModelIndex &index, int role) const override;

    Kind kind(int row) const;
    // Valid for rows of their kind only.
    const SectionRow &section(int row) const;
    const ProjectRow &project(int row) const;
    // The row of a project, or -1 when it is not listed.
    int rowOf(const QUuid &projectID) const;

    // True when no project passes the filter and the search.
    bool hasNoMatch() const { return m_hasNoMatch; }
    // True while the grouping is not none.
    bool isGrouped() const { return m_isGrouped; }

    // Runs the pipeline again over the store and the panel state.
    void rebuild();

private:
    struct Item {
        Kind kind = Kind::project;
        SectionRow section;
        ProjectRow project;
    };

    static QString accessibleDescription(const ProjectRow &row);
    void projectStateChanged(const QUuid &projectID);
    ProjectRow makeRow(const DevProject &project) const;
    QList<RowActionButton> sharedActionBar(const QList<RowActionButton> &bar) const;
    static QString keyOf(const Item &item);
    // Whether the row's height can differ between the two.
    static bool sameHeight(const Item &a, const Item &b);

    PanelStore &m_store;
    const PanelListState &m_state;
    QList<Item> m_items;
    QHash<QUuid, int> m_rowByProject;
    // Every distinct action bar the rows have had.
    mutable QList<QList<RowActionButton>> m_actionBars;
    bool m_hasNoMatch = false;
    bool m_isGrouped = false;
};

} // namespace devnook
