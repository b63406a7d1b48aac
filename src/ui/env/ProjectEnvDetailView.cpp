#include "ProjectEnvDetailView.h"

#include "EnvFileRow.h"
#include "core/foundation/L10n.h"
#include "ui/kit/Kit.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace devnook {

namespace {

constexpr int kPadding = 20;

QLabel *makeSecondaryText(const QString &text, int size, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    // Also the project's name: the user's own text, never markup.
    label->setTextFormat(Qt::PlainText);
    label->setFont(Kit::font(size));
    Kit::setTextRole(label, Kit::TextRole::kSecondary);
    return label;
}

} // namespace

ProjectEnvDetailView::ProjectEnvDetailView(const QString &projectName, QWidget *parent) : QWidget(parent)
{
    setObjectName(u"envDetailView"_s);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(makeHeader(projectName));
    layout->addWidget(Kit::makeDivider(this));

    auto *scroll = new QScrollArea(this);
    scroll->setObjectName(u"envScroll"_s);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    auto *page = new QWidget(scroll);
    m_content = new QVBoxLayout(page);
    m_content->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
    m_content->setSpacing(16);
    QLabel *note = makeSecondaryText(L10n::text(u"env_detail_read_only_note"_s), 12, page);
    note->setWordWrap(true);
    m_content->addWidget(note);
    m_content->addStretch();
    scroll->setWidget(page);
    layout->addWidget(scroll, 1);
    setDetail(std::nullopt);
}

void ProjectEnvDetailView::setDetail(const std::optional<ProjectEnvDetail> &detail)
{
    delete m_shown;
    m_shown = new QWidget(m_content->parentWidget());
    auto *layout = new QVBoxLayout(m_shown);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(16);
    if (detail) {
        layout->addWidget(makeSummary(*detail, m_shown));
        layout->addWidget(makeFilesList(*detail, m_shown));
    } else {
        QLabel *empty = makeSecondaryText(L10n::text(u"env_detail_no_files"_s), 13, m_shown);
        empty->setObjectName(u"emptyState"_s);
        empty->setAlignment(Qt::AlignCenter);
        empty->setWordWrap(true);
        empty->setContentsMargins(0, 48, 0, 48);
        layout->addWidget(empty);
    }
    m_content->insertWidget(0, m_shown);
}

QWidget *ProjectEnvDetailView::makeHeader(const QString &projectName)
{
    auto *header = new QWidget(this);
    auto *row = new QHBoxLayout(header);
    row->setContentsMargins(kPadding, kPadding, kPadding, 12);
    row->setSpacing(12);
    auto *titles = new QVBoxLayout;
    titles->setSpacing(4);
    auto *title = new QLabel(L10n::text(u"env_detail_title"_s), header);
    title->setFont(Kit::font(22, QFont::DemiBold));
    titles->addWidget(title);
    QLabel *name = makeSecondaryText(projectName, 13, header);
    name->setObjectName(u"projectName"_s);
    titles->addWidget(name);
    row->addLayout(titles, 1);

    auto *refresh = new QPushButton(L10n::text(u"refresh"_s), header);
    refresh->setObjectName(u"refreshButton"_s);
    refresh->setFont(Kit::font(13, QFont::Medium));
    Kit::setRole(refresh, Kit::Role::kFeedbackButton);
    connect(refresh, &QPushButton::clicked, this, &ProjectEnvDetailView::refreshRequested);
    row->addWidget(refresh, 0, Qt::AlignTop);
    return header;
}

QWidget *ProjectEnvDetailView::makeSummary(const ProjectEnvDetail &detail, QWidget *parent)
{
    auto *card = new QFrame(parent);
    card->setObjectName(u"summaryCard"_s);
    Kit::setRole(card, Kit::Role::kCard);
    auto *layout = new QVBoxLayout(card);
    layout->setContentsMargins(16, 4, 16, 4);
    layout->setSpacing(0);
    const QList<std::pair<QString, QString>> rows{
        {u"env_detail_local_profile"_s, detail.displayName},
        {u"env_detail_base_file"_s, detail.primaryFileName},
        {u"env_detail_files_found"_s, QString::number(detail.files.size())},
    };
    for (qsizetype i = 0; i < rows.size(); ++i) {
        if (i > 0)
            layout->addWidget(Kit::makeDivider(card));
        auto *row = new QHBoxLayout;
        row->setContentsMargins(0, 8, 0, 8);
        row->addWidget(makeSecondaryText(L10n::text(rows[i].first), 13, card));
        row->addStretch();
        auto *value = new QLabel(rows[i].second, card);
        value->setObjectName(rows[i].first);
        value->setTextFormat(Qt::PlainText);
        value->setFont(Kit::font(13, QFont::Medium));
        row->addWidget(value);
        layout->addLayout(row);
    }
    return card;
}

QWidget *ProjectEnvDetailView::makeFilesList(const ProjectEnvDetail &detail, QWidget *parent)
{
    auto *list = new QWidget(parent);
    auto *layout = new QVBoxLayout(list);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    QLabel *title = makeSecondaryText(L10n::text(u"env_detail_detected_files"_s), 13, list);
    title->setFont(Kit::font(13, QFont::DemiBold));
    title->setContentsMargins(4, 0, 4, 0);
    layout->addWidget(title);

    QList<QWidget *> rows;
    for (const ProjectEnvFileInfo &file : detail.files) {
        // The base file is told by its exact name; another case is another file.
        rows.append(new EnvFileRow(file, file.fileName == detail.primaryFileName, list));
    }
    QFrame *card = Kit::makeRowList(rows, list);
    card->setObjectName(u"filesCard"_s);
    layout->addWidget(card);
    return list;
}

} // namespace devnook
