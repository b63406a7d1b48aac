#include "ProjectFormView.h"

#include "ExecutionEditor.h"
#include "FormBlocks.h"
#include "GeneralSection.h"
#include "PreviewLinkedURLsEditor.h"
#include "ProjectFormTabBar.h"
#include "ProjectNotesEditor.h"
#include "WorkspaceLinksEditor.h"
#include "core/foundation/L10n.h"
#include "ui/kit/Kit.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace devnook {

namespace {

constexpr int kPageHorizontalPadding = 18;
constexpr int kPageVerticalPadding = 18;
constexpr int kTopPadding = 42;
constexpr auto kAdvancedScrollDelay = 200ms;
constexpr int kAdvancedScrollMilliseconds = 220;

QPushButton *makeBarButton(const QString &text, const char *role, QFont::Weight weight, QWidget *parent)
{
    auto *button = new QPushButton(text, parent);
    Kit::setRole(button, role);
    button->setFont(Kit::font(14, weight));
    button->setFixedHeight(36);
    button->setCursor(Qt::PointingHandCursor);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

QWidget *makeSection(ProjectFormTab tab, QWidget *content, QWidget *parent)
{
    auto *section = new QWidget(parent);
    auto *layout = new QVBoxLayout(section);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);
    layout->addWidget(
        FormBlocks::makeHeading(ProjectFormTabs::symbolName(tab), ProjectFormTabs::title(tab), section));
    content->setParent(section);
    layout->addWidget(content);
    return section;
}

} // namespace

ProjectFormView::ProjectFormView(const std::optional<DevProject> &project, QList<DevProject> existingProjects,
                                 ProjectFormController::Services services, QWidget *parent)
    : QWidget(parent), m_form(new ProjectFormController(project, std::move(existingProjects), services, this))
{
    setObjectName(u"projectFormView"_s);
    setAutoFillBackground(true);
    setFocusPolicy(Qt::StrongFocus);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, kTopPadding, 0, kPageVerticalPadding);
    column->setSpacing(0);
    column->addWidget(makeHeader());
    column->addWidget(Kit::makeDivider(this));

    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(u"projectFormScroll"_s);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidgetResizable(true);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->viewport()->setAutoFillBackground(false);
    column->addWidget(m_scroll, 1);

    m_message = new QLabel(this);
    m_message->setObjectName(u"validationMessage"_s);
    // The message may quote the user's names and folders.
    m_message->setTextFormat(Qt::PlainText);
    m_message->setFont(Kit::font(12));
    m_message->setWordWrap(true);
    m_message->setContentsMargins(kPageHorizontalPadding, 6, kPageHorizontalPadding, 6);
    Kit::setTextRole(m_message, Kit::TextRole::kError);
    column->addWidget(m_message);
    column->addWidget(Kit::makeDivider(this));
    column->addWidget(makeBottomBar());

    if (m_form->isEditing()) {
        connect(m_form, &ProjectFormController::selectedTabChanged, this, &ProjectFormView::showSelectedTab);
        showSelectedTab();
    } else {
        m_scroll->setWidget(makeAddPage());
    }
    connect(m_form, &ProjectFormController::validationMessageChanged, this,
            &ProjectFormView::showValidationMessage);
    showValidationMessage();
}

QWidget *ProjectFormView::makeHeader()
{
    auto *header = new QWidget(this);
    auto *layout = new QVBoxLayout(header);
    layout->setContentsMargins(kPageHorizontalPadding, 0, kPageHorizontalPadding, 14);
    layout->setSpacing(16);
    auto *texts = new QVBoxLayout;
    texts->setSpacing(8);
    auto *title = new QLabel(L10n::text(m_form->isEditing() ? u"edit_project"_s : u"add_project"_s), header);
    title->setObjectName(u"projectFormTitle"_s);
    title->setFont(Kit::font(22, QFont::DemiBold));
    auto *hint = new QLabel(L10n::text(u"choose_folder_autofill_hint"_s), header);
    hint->setFont(Kit::font(13));
    hint->setWordWrap(true);
    Kit::setTextRole(hint, Kit::TextRole::kSecondary);
    texts->addWidget(title);
    texts->addWidget(hint);
    layout->addLayout(texts);
    if (!m_form->isEditing())
        return header;

    m_tabBar = new ProjectFormTabBar(header);
    m_tabBar->setObjectName(u"projectFormTabBar"_s);
    layout->addWidget(m_tabBar, 0, Qt::AlignLeft);
    connect(m_tabBar, &ProjectFormTabBar::tabClicked, m_form, &ProjectFormController::setSelectedTab);
    const auto follow = [this] {
        m_tabBar->setCounts(m_form->tabCounts());
        m_tabBar->setNotesHasContent(m_form->notesHaveContent());
    };
    connect(m_form, &ProjectFormController::draftChanged, m_tabBar, follow);
    follow();
    return header;
}

QWidget *ProjectFormView::makeBottomBar()
{
    auto *bar = new QWidget(this);
    auto *layout = new QHBoxLayout(bar);
    layout->setContentsMargins(kPageHorizontalPadding, 14, kPageHorizontalPadding, 0);
    layout->addStretch(1);
    QPushButton *cancel = makeBarButton(L10n::text(u"cancel"_s), Kit::Role::kOutlined, QFont::Medium, bar);
    cancel->setObjectName(u"cancelProjectForm"_s);
    cancel->setStyleSheet(u"padding: 0px 14px;"_s);
    QPushButton *save = makeBarButton(L10n::text(m_form->isEditing() ? u"save_changes"_s : u"add_project"_s),
                                      Kit::Role::kInvertedButton, QFont::DemiBold, bar);
    save->setObjectName(u"saveProjectForm"_s);
    layout->addWidget(cancel);
    layout->addWidget(save);
    connect(cancel, &QPushButton::clicked, m_form, &ProjectFormController::cancel);
    connect(save, &QPushButton::clicked, m_form, &ProjectFormController::save);
    return bar;
}

QWidget *ProjectFormView::makeAddPage()
{
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(kPageHorizontalPadding, 16, kPageHorizontalPadding, 16);
    layout->setSpacing(26);
    layout->addWidget(makeSection(ProjectFormTab::general, new GeneralSection(*m_form), page));
    layout->addWidget(makeAdvancedButton());

    m_advanced = new QWidget(page);
    auto *advanced = new QVBoxLayout(m_advanced);
    advanced->setContentsMargins(0, 0, 0, 0);
    advanced->setSpacing(26);
    QWidget *anchor = Kit::makeDivider(m_advanced);
    anchor->setObjectName(u"project-form-advanced-options"_s);
    advanced->addWidget(anchor);
    advanced->addWidget(makeSection(ProjectFormTab::execution, new ExecutionEditor(*m_form), m_advanced));
    advanced->addWidget(Kit::makeDivider(m_advanced));
    advanced->addWidget(
        makeSection(ProjectFormTab::preview, new PreviewLinkedURLsEditor(*m_form), m_advanced));
    advanced->addWidget(Kit::makeDivider(m_advanced));
    advanced->addWidget(makeSection(ProjectFormTab::links, new WorkspaceLinksEditor(*m_form), m_advanced));
    advanced->addWidget(Kit::makeDivider(m_advanced));
    advanced->addWidget(makeSection(ProjectFormTab::notes, new ProjectNotesEditor(*m_form), m_advanced));
    m_advanced->setVisible(false);
    layout->addWidget(m_advanced);
    layout->addStretch(1);
    connect(m_form, &ProjectFormController::advancedOptionsChanged, this,
            &ProjectFormView::showAdvancedOptions);
    return page;
}

QWidget *ProjectFormView::makeAdvancedButton()
{
    auto *button = new QPushButton;
    button->setObjectName(u"advancedOptions"_s);
    Kit::setRole(button, Kit::Role::kOutlinedPanel);
    button->setCursor(Qt::PointingHandCursor);
    auto *layout = new QHBoxLayout(button);
    layout->setContentsMargins(12, 6, 12, 6);
    layout->setSpacing(8);
    auto *chevron = new SymbolLabel(u"chevron.right"_s, 10, Tone::label, button);
    chevron->setFixedSize(12, 12);
    auto *texts = new QVBoxLayout;
    texts->setSpacing(2);
    auto *title = new QLabel(L10n::text(u"configure_advanced_options"_s), button);
    title->setFont(Kit::font(13, QFont::DemiBold));
    QLabel *hint = FormBlocks::makeHint(L10n::text(u"configure_advanced_options_hint"_s), button);
    for (QLabel *label : {title, hint})
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
    texts->addWidget(title);
    texts->addWidget(hint);
    layout->addWidget(chevron);
    layout->addLayout(texts, 1);
    button->setMinimumHeight(std::max(48, layout->sizeHint().height()));
    connect(button, &QPushButton::clicked, m_form,
            [this] { m_form->setShowsAdvancedOptions(!m_form->showsAdvancedOptions()); });
    connect(m_form, &ProjectFormController::advancedOptionsChanged, chevron,
            [this, chevron] { chevron->setRotation(m_form->showsAdvancedOptions() ? 90 : 0); });
    return button;
}

QWidget *ProjectFormView::makeTabContent(ProjectFormTab tab)
{
    switch (tab) {
    case ProjectFormTab::general:
        return new GeneralSection(*m_form);
    case ProjectFormTab::execution:
        return new ExecutionEditor(*m_form);
    case ProjectFormTab::preview:
        return new PreviewLinkedURLsEditor(*m_form);
    case ProjectFormTab::links:
        return new WorkspaceLinksEditor(*m_form);
    case ProjectFormTab::notes:
        return new ProjectNotesEditor(*m_form);
    }
    return nullptr;
}

void ProjectFormView::showSelectedTab()
{
    m_tabBar->setSelection(m_form->selectedTab());
    auto *page = new QWidget;
    page->setObjectName(u"projectFormTab"_s);
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(kPageHorizontalPadding, 16, kPageHorizontalPadding, 16);
    layout->addWidget(makeTabContent(m_form->selectedTab()));
    layout->addStretch(1);
    // A tab is built anew each time it is shown; the old one goes after this event.
    if (QWidget *old = m_scroll->takeWidget())
        old->deleteLater();
    m_scroll->setWidget(page);
}

void ProjectFormView::showAdvancedOptions()
{
    const bool shows = m_form->showsAdvancedOptions();
    m_advanced->setVisible(shows);
    if (!shows)
        return;
    QTimer::singleShot(kAdvancedScrollDelay, this, [this] {
        auto *animation = new QPropertyAnimation(m_scroll->verticalScrollBar(), "value", this);
        animation->setDuration(kAdvancedScrollMilliseconds);
        animation->setEasingCurve(QEasingCurve::InOutQuad);
        animation->setEndValue(m_advanced->mapTo(m_scroll->widget(), QPoint(0, 0)).y());
        animation->start(QAbstractAnimation::DeleteWhenStopped);
    });
}

void ProjectFormView::showValidationMessage()
{
    const std::optional<QString> &message = m_form->validationMessage();
    m_message->setText(message.value_or(QString()));
    m_message->setVisible(message.has_value());
}

void ProjectFormView::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        m_form->save();
        return;
    case Qt::Key_Escape:
        m_form->cancel();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

} // namespace devnook
