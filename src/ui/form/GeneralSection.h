#pragma once

#include "FormBlocks.h"

namespace devnook {

class ProjectFormController;

// The general fields of the draft: folder with its Choose button, name,
// client, client colour, stack, local URL, the open-on-start switch and the
// editor command.
class GeneralSection final : public FormGroup {
    Q_OBJECT

public:
    explicit GeneralSection(ProjectFormController &form, QWidget *parent = nullptr);

private:
    void addTextRow(const QString &name, const QString &titleKey, const QString &placeholderKey,
                    QString DevProject::*field);

    ProjectFormController &m_form;
};

} // namespace devnook
