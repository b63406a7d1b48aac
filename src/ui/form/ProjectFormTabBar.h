#pragma once

#include "core/form/ProjectFormTab.h"

#include <QMap>
#include <QRect>
#include <QWidget>

namespace devnook {

// The strip of the form's tabs: the selected tab is a pill in the label
// colour; execution, preview and links show their counts, notes a dot while
// it has content.
class ProjectFormTabBar final : public QWidget {
    Q_OBJECT

public:
    explicit ProjectFormTabBar(QWidget *parent = nullptr);

    void setSelection(ProjectFormTab tab);
    void setCounts(const QMap<ProjectFormTab, int> &counts);
    void setNotesHasContent(bool hasContent);

    // Where a tab is drawn, in the bar's coordinates.
    QRect tabRect(ProjectFormTab tab) const;
    QSize sizeHint() const override;

Q_SIGNALS:
    // Emitted when the user clicked a tab.
    void tabClicked(ProjectFormTab tab);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    int tabWidth(ProjectFormTab tab) const;
    int counterOf(ProjectFormTab tab) const;

    ProjectFormTab m_selection = ProjectFormTab::general;
    QMap<ProjectFormTab, int> m_counts;
    bool m_notesHasContent = false;
};

} // namespace devnook
