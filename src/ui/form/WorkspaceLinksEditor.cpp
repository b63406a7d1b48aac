#include "WorkspaceLinksEditor.h"

#include "FormBlocks.h"
#include "core/form/FormListEditing.h"
#include "core/form/ProjectFormController.h"
#include "core/foundation/L10n.h"
#include "core/foundation/Text.h"
#include "ui/kit/Kit.h"
#include "ui/kit/Switch.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace devnook {

using namespace FormBlocks;
using namespace FormListEditing;

namespace {

constexpr int kMaxTitleLines = 3;

// A custom link's title: as wide as the title column, wrapping onto at most
// three lines. Return goes on to the form, which saves.
class WrappingTitleField final : public QPlainTextEdit {
public:
    WrappingTitleField(const QString &placeholder, int width, QWidget *parent) : QPlainTextEdit(parent)
    {
        Kit::setRole(this, Kit::Role::kInlineField);
        setPlaceholderText(placeholder);
        setFont(Kit::font(14));
        setFixedWidth(width);
        setFrameShape(QFrame::NoFrame);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setTabChangesFocus(true);
        document()->setDocumentMargin(0);
        connect(this, &QPlainTextEdit::textChanged, this, &WrappingTitleField::fitHeight);
        fitHeight();
    }

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            event->ignore();
            return;
        }
        QPlainTextEdit::keyPressEvent(event);
    }

    void resizeEvent(QResizeEvent *event) override
    {
        QPlainTextEdit::resizeEvent(event);
        fitHeight();
    }

private:
    void fitHeight()
    {
        // Measured here rather than by the text layout, which lays out
        // lazily and knows no width before the field is shown.
        const int width = viewport()->width() > 0 ? viewport()->width() : maximumWidth();
        const QRect wrapped =
            fontMetrics().boundingRect(QRect(0, 0, width - 4, 10000), Qt::TextWordWrap, toPlainText());
        const int lines = std::clamp(wrapped.height() / fontMetrics().lineSpacing(), 1, kMaxTitleLines);
        setFixedHeight(lines * fontMetrics().lineSpacing() + 2 * frameWidth() + 4);
    }
};

} // namespace

LinkURLAndToggle::LinkURLAndToggle(ProjectFormController &form, Binding binding, QWidget *parent)
    : QWidget(parent), m_form(form), m_binding(std::move(binding)),
      m_field(makeInlineField(L10n::text(u"link_url_placeholder"_s), this)), m_switch(new Switch(this))
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(14);
    m_field->setObjectName(u"linkURL"_s);
    m_field->installEventFilter(this);
    m_switch->setObjectName(u"linkOpensWithWorkspace"_s);
    m_switch->setAccessibleName(L10n::text(u"open_with_workspace_short"_s));
    m_switch->setToolTip(L10n::text(u"open_with_workspace_description"_s));
    layout->addWidget(m_field, 1);
    layout->addWidget(m_switch);

    connect(m_field, &QLineEdit::textEdited, this, [this](const QString &text) {
        editDraft(m_form, [&](DevProject &d) { m_binding.setURL(d, text); });
        // Blanks typed into an empty kind row store nothing, so the field empties again.
        refresh();
    });
    connect(m_switch, &Switch::toggled, this,
            [this](bool on) { editDraft(m_form, [&](DevProject &d) { m_binding.setOpens(d, on); }); });
    connect(&m_form, &ProjectFormController::draftChanged, this, &LinkURLAndToggle::refresh);
    refresh();
}

bool LinkURLAndToggle::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_field && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut))
        QMetaObject::invokeMethod(this, &LinkURLAndToggle::refresh, Qt::QueuedConnection);
    return QWidget::eventFilter(watched, event);
}

void LinkURLAndToggle::refresh()
{
    const QString url = m_binding.url(m_form.draft());
    // The stored URL keeps its scheme; only the unfocused display drops it.
    const QString shown = m_field->hasFocus() ? url : shortenedURL(url);
    if (m_field->text() != shown)
        m_field->setText(shown);
    const QSignalBlocker blocker(m_switch);
    m_switch->setChecked(m_binding.opens(m_form.draft()));
    m_switch->setEnabled(!Text::isBlank(url));
}

WorkspaceLinksEditor::WorkspaceLinksEditor(ProjectFormController &form, QWidget *parent)
    : QWidget(parent), m_form(form), m_group(new FormGroup(this))
{
    setObjectName(u"workspaceLinksEditor"_s);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);
    layout->addWidget(makeHint(L10n::text(u"workspace_links_autostart_hint"_s), this));
    layout->addWidget(m_group);
    QPushButton *add = makeAddButton(L10n::text(u"add_custom_link"_s), this);
    add->setObjectName(u"addCustomLink"_s);
    layout->addWidget(add, 0, Qt::AlignLeft);

    QStringList kindTitles;
    for (const WorkspaceLinkKind kind : WorkspaceLinkKinds::all())
        kindTitles.append(WorkspaceLinkKinds::localizedTitle(kind));
    m_titleWidth = titleColumnWidth(kindTitles);
    for (const WorkspaceLinkKind kind : WorkspaceLinkKinds::all()) {
        auto *toggle = new LinkURLAndToggle(
            m_form,
            {[kind](const DevProject &d) { return kindURL(d.workspaceLinks, kind); },
             [kind](DevProject &d, const QString &url) { setKindURL(d.workspaceLinks, kind, url); },
             [kind](const DevProject &d) { return kindOpensWithWorkspace(d.workspaceLinks, kind); },
             [kind](DevProject &d, bool on) { setKindOpensWithWorkspace(d.workspaceLinks, kind, on); }});
        auto *row = new FormRow(WorkspaceLinkKinds::localizedTitle(kind), m_titleWidth, toggle, m_group);
        row->setObjectName(u"link-"_s + WorkspaceLinkKinds::rawValue(kind));
        m_group->rows()->addWidget(row);
    }

    connect(add, &QPushButton::clicked, this,
            [this] { editDraft(m_form, [](DevProject &d) { addCustomLink(d.workspaceLinks); }); });
    connect(&m_form, &ProjectFormController::draftChanged, this, &WorkspaceLinksEditor::syncCustomRows);
    syncCustomRows();
}

void WorkspaceLinksEditor::syncCustomRows()
{
    const QList<QUuid> ids = idsOf(customLinks(m_form.draft().workspaceLinks));
    if (ids == m_customIDs)
        return;
    for (auto it = m_customRows.begin(); it != m_customRows.end();) {
        if (ids.contains(it.key())) {
            ++it;
            continue;
        }
        // The row's own delete button may be what removed it.
        it.value()->hide();
        it.value()->deleteLater();
        it = m_customRows.erase(it);
    }
    const int kindRows = int(WorkspaceLinkKinds::all().size());
    for (qsizetype i = 0; i < ids.size(); ++i) {
        QWidget *&row = m_customRows[ids[i]];
        if (!row)
            row = makeCustomRow(ids[i]);
        m_group->rows()->insertWidget(kindRows + int(i), row);
    }
    m_customIDs = ids;
    m_group->update();
}

QWidget *WorkspaceLinksEditor::makeCustomRow(const QUuid &id)
{
    auto *row = new QWidget(m_group);
    row->setObjectName(u"customLink"_s);
    row->setMinimumHeight(42);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(10, 4, 10, 4);
    layout->setSpacing(12);
    auto *title = new WrappingTitleField(L10n::text(u"custom_link_name_placeholder"_s), m_titleWidth, row);
    title->setObjectName(u"customLinkTitle"_s);
    auto *toggle = new LinkURLAndToggle(
        m_form,
        {[id](const DevProject &d) { return fieldOf(d.workspaceLinks, id, &ProjectLink::url); },
         [id](DevProject &d, const QString &url) {
             setFieldOf(d.workspaceLinks, id, &ProjectLink::url, url);
         },
         [id](const DevProject &d) { return fieldOf(d.workspaceLinks, id, &ProjectLink::openWithWorkspace); },
         [id](DevProject &d, bool on) {
             setFieldOf(d.workspaceLinks, id, &ProjectLink::openWithWorkspace, on);
         }},
        row);
    QPushButton *remove = makeDeleteButton(row);
    layout->addWidget(title);
    layout->addWidget(toggle, 1);
    layout->addWidget(remove);

    title->setPlainText(fieldOf(m_form.draft().workspaceLinks, id, &ProjectLink::title));
    connect(title, &QPlainTextEdit::textChanged, this, [this, title, id] {
        const QString text = title->toPlainText();
        editDraft(m_form,
                  [&](DevProject &d) { setFieldOf(d.workspaceLinks, id, &ProjectLink::title, text); });
    });
    connect(&m_form, &ProjectFormController::draftChanged, title, [this, title, id] {
        const QString text = fieldOf(m_form.draft().workspaceLinks, id, &ProjectLink::title);
        if (title->toPlainText() != text)
            title->setPlainText(text);
    });
    connect(remove, &QPushButton::clicked, this,
            [this, id] { editDraft(m_form, [id](DevProject &d) { removeById(d.workspaceLinks, id); }); });
    return row;
}

} // namespace devnook
