#include "ExecutionEditor.h"

#include "FormBlocks.h"
#include "ReorderableRows.h"
#include "core/form/FormListEditing.h"
#include "core/form/ProjectFormController.h"
#include "core/foundation/L10n.h"
#include "ui/kit/Kit.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace devnook {

using namespace FormBlocks;
using namespace FormListEditing;

ExecutionEditor::ExecutionEditor(ProjectFormController &form, QWidget *parent) : QWidget(parent), m_form(form)
{
    setObjectName(u"executionEditor"_s);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(18);
    layout->addWidget(makeHelpBox());

    auto *services = new QVBoxLayout;
    services->setSpacing(10);
    services->addWidget(makeHint(L10n::text(u"dev_commands_hint"_s), this));
    m_rows = new ReorderableRows(
        [this](const QUuid &id) { return makeRow(id); },
        [this](const QUuid &dragged, const QUuid &destination) {
            editDraft(m_form, [&](DevProject &d) { moveDragged(d.services, dragged, destination); });
        },
        this);
    services->addWidget(m_rows);
    QPushButton *add = makeAddButton(L10n::text(u"add_dev_command_row"_s), this);
    add->setObjectName(u"addService"_s);
    services->addWidget(add, 0, Qt::AlignLeft);
    layout->addLayout(services);

    connect(add, &QPushButton::clicked, this,
            [this] { editDraft(m_form, [](DevProject &d) { addService(d.services); }); });
    const auto sync = [this] { m_rows->sync(idsOf(m_form.draft().services)); };
    connect(&m_form, &ProjectFormController::draftChanged, this, sync);
    sync();
}

QWidget *ExecutionEditor::makeHelpBox()
{
    auto *box = new QFrame(this);
    Kit::setRole(box, Kit::Role::kOutlined);
    auto *layout = new QVBoxLayout(box);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(8);
    auto *title = new QWidget(box);
    auto *titleLayout = new QHBoxLayout(title);
    titleLayout->setContentsMargins(0, 0, 0, 0);
    titleLayout->setSpacing(6);
    titleLayout->addWidget(new SymbolLabel(u"play.rectangle"_s, 14, Tone::label, title));
    auto *titleText = new QLabel(L10n::text(u"execution_help_title"_s), title);
    titleText->setFont(Kit::font(13, QFont::DemiBold));
    titleLayout->addWidget(titleText);
    titleLayout->addStretch(1);
    layout->addWidget(title);
    layout->addWidget(makeHint(L10n::text(u"execution_help_description"_s), box));
    layout->addWidget(makeHint(L10n::text(u"workspace_help_description"_s), box));
    return box;
}

QWidget *ExecutionEditor::makeRow(const QUuid &id)
{
    auto *row = new QWidget;
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(10, 9, 10, 9);
    layout->setSpacing(10);
    auto *handle = new DragHandle(row);
    QLineEdit *name = makeNameField(L10n::text(u"service_name_placeholder"_s), 92, row);
    name->setObjectName(u"serviceName"_s);
    auto *fields = new QVBoxLayout;
    fields->setSpacing(8);
    QLineEdit *command = makeInlineField(L10n::text(u"service_command_placeholder"_s), row);
    command->setObjectName(u"serviceCommand"_s);
    QLineEdit *url = makeInlineField(L10n::text(u"service_localhost_placeholder"_s), row);
    url->setObjectName(u"serviceURL"_s);
    fields->addWidget(command);
    fields->addWidget(url);
    QPushButton *remove = makeDeleteButton(row);
    layout->addWidget(handle);
    layout->addWidget(name);
    layout->addLayout(fields, 1);
    layout->addWidget(remove);

    const auto bind = [&](QLineEdit *field, QString ProjectService::*member) {
        bindText(
            field, m_form, [id, member](const DevProject &d) { return fieldOf(d.services, id, member); },
            [id, member](DevProject &d, const QString &text) { setFieldOf(d.services, id, member, text); });
    };
    bind(name, &ProjectService::name);
    bind(command, &ProjectService::command);
    bind(url, &ProjectService::localhostURL);
    connect(remove, &QPushButton::clicked, this,
            [this, id] { editDraft(m_form, [id](DevProject &d) { removeById(d.services, id); }); });
    connect(handle, &DragHandle::dragStarted, this, [this, id] { m_rows->dragRow(id); });
    connect(handle, &DragHandle::moveRequested, this, [this, id](int step) {
        editDraft(m_form, [&](DevProject &d) { moveByOne(d.services, id, step); });
    });
    return row;
}

} // namespace devnook
