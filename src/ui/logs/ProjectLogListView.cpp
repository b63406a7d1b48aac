#include "ProjectLogListView.h"

#include "LogLineDelegate.h"
#include "core/logs/ProjectLogListModel.h"
#include "ui/kit/Kit.h"
#include "ui/kit/Palette.h"

#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>

using namespace Qt::StringLiterals;

namespace devnook {

namespace {

constexpr int kListPadding = 12;
constexpr int kEmptyTextTop = 48;
constexpr int kEmptyTextSize = 13;

} // namespace

ProjectLogListView::ProjectLogListView(ProjectLogListModel &model, QWidget *parent)
    : QListView(parent), m_model(model)
{
    setObjectName(u"logList"_s);
    setModel(&m_model);
    setItemDelegate(new LogLineDelegate(m_model, this));
    setUniformItemSizes(true);
    setVerticalScrollMode(ScrollPerPixel);
    setHorizontalScrollMode(ScrollPerPixel);
    setSelectionMode(ExtendedSelection);
    setViewportMargins(kListPadding, kListPadding, kListPadding, kListPadding);
    setFrameShape(QFrame::NoFrame);
    Kit::setRole(this, Kit::Role::kOutlined);

    m_tailScroll.setObjectName(u"tailScrollTimer"_s);
    m_tailScroll.setSingleShot(true);
    m_tailScroll.setInterval(0);
    connect(&m_tailScroll, &QTimer::timeout, this, &ProjectLogListView::scrollToTail);

    connect(&m_model, &QAbstractItemModel::rowsInserted, this, &ProjectLogListView::scheduleTailScroll);
    connect(&m_model, &QAbstractItemModel::modelReset, this, &ProjectLogListView::scheduleTailScroll);
    // Scroll bars that a reset hides leave their place in the frame unpainted.
    connect(&m_model, &QAbstractItemModel::modelReset, this, qOverload<>(&QWidget::update));
    connect(&m_model, &QAbstractItemModel::rowsRemoved, this,
            [this](const QModelIndex &, int first, int last) {
                if (first == 0)
                    rowsLeftTop(last + 1);
            });
    // Only the user's own scrolling (wheel, keys on the bar, dragging)
    // triggers actions; scrolls made here do not.
    connect(verticalScrollBar(), &QScrollBar::actionTriggered, this, &ProjectLogListView::userScrolled);
}

void ProjectLogListView::setFollowsTail(bool follows)
{
    if (follows == m_followsTail)
        return;
    m_followsTail = follows;
    if (follows)
        scrollToTail();
    Q_EMIT followsTailChanged(follows);
}

void ProjectLogListView::setEmptyText(const QString &text)
{
    if (text == m_emptyText)
        return;
    m_emptyText = text;
    viewport()->update();
}

bool ProjectLogListView::isAtTail() const
{
    return verticalScrollBar()->value() >= verticalScrollBar()->maximum();
}

void ProjectLogListView::paintEvent(QPaintEvent *event)
{
    if (m_model.rowCount() > 0) {
        QListView::paintEvent(event);
        return;
    }
    QPainter painter(viewport());
    painter.setFont(Kit::font(kEmptyTextSize));
    painter.setPen(Palette::of(palette()).secondaryLabel);
    const QRect area = viewport()->rect().adjusted(0, kEmptyTextTop, 0, 0);
    painter.drawText(area, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, m_emptyText);
}

void ProjectLogListView::resizeEvent(QResizeEvent *event)
{
    QListView::resizeEvent(event);
    if (m_followsTail)
        scheduleTailScroll();
}

void ProjectLogListView::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Copy)) {
        Q_EMIT copySelectionRequested();
        return;
    }
    const int before = verticalScrollBar()->value();
    QListView::keyPressEvent(event);
    // Keys move the current line, and the view with it, without the bar.
    if (verticalScrollBar()->value() != before)
        userScrolled();
}

void ProjectLogListView::scheduleTailScroll()
{
    if (m_followsTail)
        m_tailScroll.start();
}

void ProjectLogListView::scrollToTail()
{
    if (m_followsTail && m_model.rowCount() > 0)
        scrollToBottom();
}

void ProjectLogListView::rowsLeftTop(int count)
{
    if (m_followsTail)
        return;
    // The rows above move up by the rows that left; so does the view.
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    QScrollBar *bar = verticalScrollBar();
    bar->setValue(bar->value() - count * itemDelegate()->sizeHint(option, {}).height());
}

void ProjectLogListView::userScrolled()
{
    const QScrollBar *bar = verticalScrollBar();
    // During a bar action the slider holds the new position, the value not yet.
    const bool atTail = bar->sliderPosition() >= bar->maximum();
    if (atTail != m_followsTail) {
        m_followsTail = atTail;
        Q_EMIT followsTailChanged(atTail);
    }
}

} // namespace devnook
