#pragma once

#include <QWidget>

class QLabel;
class QPlainTextEdit;

namespace devnook {

class ProjectFormController;

// The draft's free-form notes: a hint and a text area at least 240 points
// high, with a placeholder while the notes are empty.
class ProjectNotesEditor final : public QWidget {
    Q_OBJECT

public:
    explicit ProjectNotesEditor(ProjectFormController &form, QWidget *parent = nullptr);

private:
    ProjectFormController &m_form;
    QPlainTextEdit *m_text;
};

} // namespace devnook
