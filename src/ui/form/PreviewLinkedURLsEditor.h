#pragma once

#include <QWidget>

namespace devnook {

class ProjectFormController;
class ReorderableRows;

// The draft's extra local URLs for the device preview: a name and an address
// per row, added, deleted and reordered by dragging.
class PreviewLinkedURLsEditor final : public QWidget {
    Q_OBJECT

public:
    explicit PreviewLinkedURLsEditor(ProjectFormController &form, QWidget *parent = nullptr);

private:
    QWidget *makeRow(const QUuid &id);

    ProjectFormController &m_form;
    ReorderableRows *m_rows;
};

} // namespace devnook
