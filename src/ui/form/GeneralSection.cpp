#include "GeneralSection.h"

#include "ClientColorPicker.h"
#include "core/form/ProjectFormController.h"
#include "core/foundation/L10n.h"
#include "ui/kit/Kit.h"
#include "ui/kit/Switch.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace devnook {

using namespace FormBlocks;

GeneralSection::GeneralSection(ProjectFormController &form, QWidget *parent) : FormGroup(parent), m_form(form)
{
    setObjectName(u"generalSection"_s);

    auto *folder = new QWidget(this);
    auto *folderLayout = new QHBoxLayout(folder);
    folderLayout->setContentsMargins(0, 0, 0, 0);
    folderLayout->setSpacing(8);
    QLineEdit *folderField = makeInlineField(L10n::text(u"folder_path_placeholder"_s), folder);
    folderField->setObjectName(u"folderPath"_s);
    bindText(
        folderField, m_form, [](const DevProject &d) { return d.folderPath; },
        [](DevProject &d, const QString &text) { d.folderPath = text; });
    auto *choose = new QPushButton(L10n::text(u"choose"_s), folder);
    choose->setObjectName(u"chooseFolder"_s);
    Kit::setRole(choose, Kit::Role::kCompactOutlined);
    choose->setFont(Kit::font(13, QFont::DemiBold));
    choose->setCursor(Qt::PointingHandCursor);
    folderLayout->addWidget(folderField, 1);
    folderLayout->addWidget(choose);
    rows()->addWidget(new FormRow(L10n::text(u"folder_path"_s), folder, this));
    connect(choose, &QPushButton::clicked, this, [this] { m_form.chooseFolder(); });

    addTextRow(u"projectName"_s, u"project_name"_s, u"project_name_placeholder"_s, &DevProject::name);
    addTextRow(u"client"_s, u"client"_s, u"client_placeholder"_s, &DevProject::client);
    rows()->addWidget(new FormRow(L10n::text(u"client_color"_s), new ClientColorPicker(m_form, this), this));
    addTextRow(u"stack"_s, u"stack"_s, u"stack_placeholder"_s, &DevProject::stack);
    addTextRow(u"localhostURL"_s, u"localhost_url"_s, u"localhost_placeholder"_s, &DevProject::localhostURL);

    auto *openRow = new FormToggleRow(L10n::text(u"open_local_url_automatically"_s),
                                      L10n::text(u"open_local_url_automatically_description"_s), this);
    Switch *open = openRow->toggle();
    open->setObjectName(u"openLocalURL"_s);
    open->setChecked(m_form.draft().openLocalURLAfterStart);
    connect(open, &Switch::toggled, this,
            [this](bool on) { editDraft(m_form, [on](DevProject &d) { d.openLocalURLAfterStart = on; }); });
    connect(&m_form, &ProjectFormController::draftChanged, open,
            [this, open] { open->setChecked(m_form.draft().openLocalURLAfterStart); });
    rows()->addWidget(openRow);

    addTextRow(u"editorCommand"_s, u"editor_command"_s, u"editor_command_placeholder"_s,
               &DevProject::editorCommand);
}

void GeneralSection::addTextRow(const QString &name, const QString &titleKey, const QString &placeholderKey,
                                QString DevProject::*field)
{
    QLineEdit *edit = makeInlineField(L10n::text(placeholderKey), this);
    edit->setObjectName(name);
    bindText(
        edit, m_form, [field](const DevProject &d) { return d.*field; },
        [field](DevProject &d, const QString &text) { d.*field = text; });
    rows()->addWidget(new FormRow(L10n::text(titleKey), edit, this));
}

} // namespace devnook
