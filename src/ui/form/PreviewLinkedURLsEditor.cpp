#include "PreviewLinkedURLsEditor.h"

#include "FormBlocks.h"
#include "ReorderableRows.h"
#include "core/form/FormListEditing.h"
#include "core/form/ProjectFormController.h"
#include "core/foundation/L10n.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace devnook {

using namespace FormBlocks;
using namespace FormListEditing;

PreviewLinkedURLsEditor::PreviewLinkedURLsEditor(ProjectFormController &form, QWidget *parent)
    : QWidget(parent), m_form(form)
{
    setObjectName(u"previewLinkedURLsEditor"_s);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);
    layout->addWidget(makeHint(L10n::text(u"linked_local_urls_hint"_s), this));
    m_rows = new ReorderableRows(
        [this](const QUuid &id) { return makeRow(id); },
        [this](const QUuid &dragged, const QUuid &destination) {
            editDraft(m_form, [&](DevProject &d) { moveDragged(d.previewLinkedURLs, dragged, destination); });
        },
        this);
    layout->addWidget(m_rows);
    QPushButton *add = makeAddButton(L10n::text(u"add_linked_local_url"_s), this);
    add->setObjectName(u"addLinkedURL"_s);
    layout->addWidget(add, 0, Qt::AlignLeft);

    connect(add, &QPushButton::clicked, this,
            [this] { editDraft(m_form, [](DevProject &d) { addPreviewLinkedURL(d.previewLinkedURLs); }); });
    const auto sync = [this] { m_rows->sync(idsOf(m_form.draft().previewLinkedURLs)); };
    connect(&m_form, &ProjectFormController::draftChanged, this, sync);
    sync();
}

QWidget *PreviewLinkedURLsEditor::makeRow(const QUuid &id)
{
    auto *row = new QWidget;
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(10, 9, 10, 9);
    layout->setSpacing(10);
    auto *handle = new DragHandle(row);
    QLineEdit *name = makeNameField(L10n::text(u"linked_local_url_name_placeholder"_s), 104, row);
    name->setObjectName(u"linkedURLName"_s);
    QLineEdit *url = makeInlineField(L10n::text(u"linked_local_url_placeholder"_s), row);
    url->setObjectName(u"linkedURL"_s);
    QPushButton *remove = makeDeleteButton(row);
    layout->addWidget(handle);
    layout->addWidget(name);
    layout->addWidget(url, 1);
    layout->addWidget(remove);

    using Entry = ProjectPreviewLinkedURL;
    bindText(
        name, m_form, [id](const DevProject &d) { return fieldOf(d.previewLinkedURLs, id, &Entry::name); },
        [id](DevProject &d, const QString &text) {
            setFieldOf(d.previewLinkedURLs, id, &Entry::name, text);
        });
    bindText(
        url, m_form, [id](const DevProject &d) { return fieldOf(d.previewLinkedURLs, id, &Entry::url); },
        [id](DevProject &d, const QString &text) { setFieldOf(d.previewLinkedURLs, id, &Entry::url, text); });
    connect(remove, &QPushButton::clicked, this,
            [this, id] { editDraft(m_form, [id](DevProject &d) { removeById(d.previewLinkedURLs, id); }); });
    connect(handle, &DragHandle::dragStarted, this, [this, id] { m_rows->dragRow(id); });
    connect(handle, &DragHandle::moveRequested, this, [this, id](int step) {
        editDraft(m_form, [&](DevProject &d) { moveByOne(d.previewLinkedURLs, id, step); });
    });
    return row;
}

} // namespace devnook
