#include "ProjectNotesEditor.h"

#include "FormBlocks.h"
#include "core/form/ProjectFormController.h"
#include "core/foundation/L10n.h"
#include "ui/kit/Kit.h"

#include <QPlainTextEdit>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace devnook {

ProjectNotesEditor::ProjectNotesEditor(ProjectFormController &form, QWidget *parent)
    : QWidget(parent), m_form(form), m_text(new QPlainTextEdit(this))
{
    setObjectName(u"notesEditor"_s);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);
    layout->addWidget(FormBlocks::makeHint(L10n::text(u"project_notes_hint"_s), this));
    m_text->setObjectName(u"notes"_s);
    Kit::setRole(m_text, Kit::Role::kTextArea);
    m_text->setFont(Kit::font(14));
    m_text->setPlaceholderText(L10n::text(u"project_notes_placeholder"_s));
    m_text->setMinimumHeight(240);
    m_text->document()->setDocumentMargin(7);
    layout->addWidget(m_text);

    m_text->setPlainText(m_form.draft().notes);
    connect(m_text, &QPlainTextEdit::textChanged, this, [this] {
        const QString text = m_text->toPlainText();
        if (text != m_form.draft().notes)
            FormBlocks::editDraft(m_form, [&](DevProject &d) { d.notes = text; });
    });
    connect(&m_form, &ProjectFormController::draftChanged, this, [this] {
        if (m_text->toPlainText() != m_form.draft().notes)
            m_text->setPlainText(m_form.draft().notes);
    });
}

} // namespace devnook
