#include "ProjectLogListView.h"

#include "core/logs/ProjectLogListModel.h"
#include "ui/kit/Kit.h"
#include "ui/kit/Palette.h"

#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocumentFragment>
#include <QTextLayout>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace devnook {

namespace {

constexpr int kListPadding = 12;
constexpr int kColumnGap = 8;
constexpr int kTimeFontSize = 10;
constexpr int kTextFontSize = 11;
constexpr int kEmptyTextTop = 48;
constexpr int kEmptyTextSize = 13;
constexpr qreal kErrorOpacity = 0.85;

} // namespace

// The strip left of the text where each line's time is drawn beside its
// first row.
class ProjectLogListView::TimeColumn final : public QWidget {
public:
    explicit TimeColumn(ProjectLogListView &list) : QWidget(&list), m_list(list)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

protected:
    void paintEvent(QPaintEvent *event) override { m_list.paintTimes(event); }

private:
    ProjectLogListView &m_list;
};

ProjectLogListView::ProjectLogListView(ProjectLogListModel &model, QWidget *parent)
    : QPlainTextEdit(parent), m_model(model)
{
    setObjectName(u"logList"_s);
    setReadOnly(true);
    setUndoRedoEnabled(false);
    setLineWrapMode(WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFont(Kit::monospacedFont(kTextFontSize));
    document()->setDocumentMargin(0);
    setFrameShape(QFrame::NoFrame);
    Kit::setRole(this, Kit::Role::kOutlined);

    m_timeColumnWidth =
        QFontMetricsF(Kit::monospacedFont(kTimeFontSize)).horizontalAdvance(u"00:00:00"_s) + kColumnGap;
    setViewportMargins(kListPadding + static_cast<int>(std::ceil(m_timeColumnWidth)), kListPadding,
                       kListPadding, kListPadding);
    m_timeColumn = new TimeColumn(*this);
    connect(this, &QPlainTextEdit::updateRequest, m_timeColumn, qOverload<>(&QWidget::update));

    m_syncTimer.setSingleShot(true);
    m_syncTimer.setInterval(0);
    connect(&m_syncTimer, &QTimer::timeout, this, &ProjectLogListView::sync);

    connect(&m_model, &QAbstractItemModel::rowsInserted, this, &ProjectLogListView::scheduleSync);
    connect(&m_model, &QAbstractItemModel::rowsRemoved, this,
            [this](const QModelIndex &, int first, int last) {
                // The model drops rows from its top; anything else starts over.
                if (first == 0)
                    m_pendingTopRemovals += last + 1;
                else
                    m_pendingRebuild = true;
                scheduleSync();
            });
    connect(&m_model, &QAbstractItemModel::modelReset, this, [this] {
        m_pendingRebuild = true;
        scheduleSync();
        viewport()->update();
    });
    rebuild();
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

QUuid ProjectLogListView::lineIDAt(const QPoint &point) const
{
    const int number = cursorForPosition(point).blockNumber();
    return number >= 0 && number < m_shown.size() ? m_shown.at(number).id : QUuid();
}

QString ProjectLogListView::selectedLogText() const
{
    return textCursor().selection().toPlainText();
}

void ProjectLogListView::paintEvent(QPaintEvent *event)
{
    if (m_model.rowCount() > 0) {
        QPlainTextEdit::paintEvent(event);
        return;
    }
    QPainter painter(viewport());
    painter.setFont(Kit::font(kEmptyTextSize));
    painter.setPen(Palette::of(palette()).secondaryLabel);
    const QRect area = viewport()->rect().adjusted(0, kEmptyTextTop, 0, 0);
    painter.drawText(area, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, m_emptyText);
}

void ProjectLogListView::showEvent(QShowEvent *event)
{
    QPlainTextEdit::showEvent(event);
    if (m_wasShown)
        return;
    m_wasShown = true;
    // Following moves on from the log the window opened on, which stays at
    // its top until a line arrives.
    m_tail = modelTail();
}

void ProjectLogListView::resizeEvent(QResizeEvent *event)
{
    const bool showedTail = m_followsTail && verticalScrollBar()->maximum() > 0 && isAtTail();
    QPlainTextEdit::resizeEvent(event);
    placeTimeColumn();
    // The lines wrap anew; the tail is found again once they have.
    if (showedTail) {
        m_pendingTailScroll = true;
        scheduleSync();
    }
}

void ProjectLogListView::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Copy)) {
        Q_EMIT copySelectionRequested();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void ProjectLogListView::changeEvent(QEvent *event)
{
    QPlainTextEdit::changeEvent(event);
    // Error lines carry their colour; a theme change repaints them in its own.
    if (event->type() == QEvent::PaletteChange)
        recolour();
}

void ProjectLogListView::scheduleSync()
{
    m_syncTimer.start();
}

void ProjectLogListView::sync()
{
    if (m_pendingRebuild) {
        // Another filter or log keeps the list's place as far as it reaches.
        const int offset = verticalScrollBar()->value();
        rebuild();
        verticalScrollBar()->setValue(offset);
    } else {
        // The lines shown that the model still holds are its first rows;
        // every row after them is new.
        const qsizetype kept = std::max<qsizetype>(0, m_shown.size() - m_pendingTopRemovals);
        const auto removed = static_cast<int>(m_shown.size() - kept);
        // The line at the top of the view stays there, unless it is gone.
        const QTextBlock top = firstVisibleBlock();
        const int topNumber = top.blockNumber() - removed;
        const int topLineOffset = verticalScrollBar()->value() - top.firstLineNumber();

        QTextCursor cursor(document());
        cursor.beginEditBlock();
        removeTopLines(removed);
        appendRows(static_cast<int>(kept));
        cursor.endEditBlock();
        if (removed > 0 && !m_followsTail) {
            verticalScrollBar()->setValue(
                topNumber >= 0 ? document()->findBlockByNumber(topNumber).firstLineNumber() + topLineOffset
                               : 0);
        }
    }
    m_pendingTopRemovals = 0;
    m_pendingRebuild = false;
    const Tail tail = modelTail();
    const bool tailMoved = m_wasShown && tail != m_tail;
    m_tail = tail;
    if (tailMoved || m_pendingTailScroll)
        scrollToTail();
    m_pendingTailScroll = false;
}

void ProjectLogListView::rebuild()
{
    document()->clear();
    m_shown.clear();
    appendRows(0);
}

void ProjectLogListView::removeTopLines(qsizetype count)
{
    if (count <= 0)
        return;
    if (count >= m_shown.size()) {
        document()->clear();
        m_shown.clear();
        return;
    }
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor, static_cast<int>(count));
    cursor.removeSelectedText();
    m_shown.remove(0, count);
}

void ProjectLogListView::appendRows(int firstRow)
{
    const int rows = m_model.rowCount();
    if (firstRow >= rows)
        return;
    const QTextCharFormat plain;
    const QTextCharFormat error = errorFormat();
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    for (int row = firstRow; row < rows; ++row) {
        const DevProcessLogLine &line = m_model.line(row);
        // One block per line: texts hold no line break, the process manager
        // splits on them. An empty document already holds the first block.
        if (!m_shown.isEmpty())
            cursor.insertBlock();
        cursor.insertText(line.text, line.isError ? error : plain);
        m_shown.append({line.id, LogLines::timeText(line.date), line.isError});
    }
    cursor.endEditBlock();
}

void ProjectLogListView::recolour()
{
    const QTextCharFormat error = errorFormat();
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        const int number = block.blockNumber();
        if (number >= m_shown.size() || !m_shown.at(number).isError)
            continue;
        cursor.setPosition(block.position());
        cursor.setPosition(block.position() + block.length() - 1, QTextCursor::KeepAnchor);
        cursor.setCharFormat(error);
    }
    cursor.endEditBlock();
    m_timeColumn->update();
}

QTextCharFormat ProjectLogListView::errorFormat() const
{
    QColor color = Palette::of(palette()).red;
    color.setAlphaF(color.alphaF() * kErrorOpacity);
    QTextCharFormat format;
    format.setForeground(color);
    return format;
}

ProjectLogListView::Tail ProjectLogListView::modelTail() const
{
    const int rows = m_model.rowCount();
    return {m_model.lastLineID(), rows > 0 ? m_model.line(rows - 1).id : QUuid()};
}

void ProjectLogListView::scrollToTail()
{
    if (m_followsTail && m_model.rowCount() > 0)
        verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void ProjectLogListView::paintTimes(QPaintEvent *event)
{
    if (m_model.rowCount() == 0)
        return;
    QPainter painter(m_timeColumn);
    const QFont timeFont = Kit::monospacedFont(kTimeFontSize);
    painter.setFont(timeFont);
    painter.setPen(Palette::of(palette()).tertiaryLabel);
    const qreal textAscent = QFontMetricsF(font()).ascent();
    const QPointF offset = contentOffset();
    for (QTextBlock block = firstVisibleBlock(); block.isValid(); block = block.next()) {
        const qreal top = blockBoundingGeometry(block).translated(offset).top();
        if (top > event->rect().bottom())
            break;
        const int number = block.blockNumber();
        if (number >= m_shown.size())
            break;
        const QTextLayout *layout = block.layout();
        const qreal ascent = layout && layout->lineCount() > 0 ? layout->lineAt(0).ascent() : textAscent;
        painter.drawText(QPointF(0, top + ascent), m_shown.at(number).time);
    }
}

void ProjectLogListView::placeTimeColumn()
{
    const QRect area = contentsRect();
    m_timeColumn->setGeometry(area.left() + kListPadding, area.top() + kListPadding,
                              static_cast<int>(std::ceil(m_timeColumnWidth)), viewport()->height());
}

} // namespace devnook
