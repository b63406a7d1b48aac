#pragma once

#include <QWidget>

namespace devnook {

class ProjectFormController;
class ReorderableRows;

// The execution tab: a help box and the draft's services, one row each with a
// name, the command and its local URL, added, deleted and reordered by dragging.
class ExecutionEditor final : public QWidget {
    Q_OBJECT

public:
    explicit ExecutionEditor(ProjectFormController &form, QWidget *parent = nullptr);

private:
    QWidget *makeHelpBox();
    QWidget *makeRow(const QUuid &id);

    ProjectFormController &m_form;
    ReorderableRows *m_rows;
};

} // namespace devnook
