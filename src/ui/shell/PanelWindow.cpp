#include "PanelWindow.h"

#include "PanelGeometry.h"
#include "ui/kit/Icons.h"
#include "ui/kit/Kit.h"
#include "ui/kit/KitStyle.h"
#include "ui/kit/Palette.h"

#include <QCloseEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>
#include <QWindow>

using namespace Qt::StringLiterals;

namespace devnook {

namespace {

constexpr int kEdge = 5;
constexpr int kCorner = 12;
constexpr int kCloseSize = 16;

// A thin invisible strip along an edge that starts a system resize.
class EdgeHandle final : public QWidget {
public:
    EdgeHandle(Qt::Edges edges, QWidget *panel) : QWidget(panel), m_edges(edges)
    {
        const bool horizontal = edges & (Qt::LeftEdge | Qt::RightEdge);
        const bool vertical = edges & (Qt::TopEdge | Qt::BottomEdge);
        if (horizontal && vertical) {
            const bool falling =
                edges == (Qt::TopEdge | Qt::LeftEdge) || edges == (Qt::BottomEdge | Qt::RightEdge);
            setCursor(falling ? Qt::SizeFDiagCursor : Qt::SizeBDiagCursor);
        } else {
            setCursor(horizontal ? Qt::SizeHorCursor : Qt::SizeVerCursor);
        }
    }

    Qt::Edges edges() const { return m_edges; }

protected:
    void mousePressEvent(QMouseEvent *event) override
    {
        if (event->button() == Qt::LeftButton)
            static_cast<PanelWindow *>(window())->startUserResize(m_edges);
    }

private:
    Qt::Edges m_edges;
};

} // namespace

PanelWindow::PanelWindow(QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(u"devnookPanel"_s);
    KitStyle::markPainted(this);
    setWindowTitle(u"Devnook"_s);
    setMinimumSize(PanelGeometry::kListMinimum);
    setAttribute(Qt::WA_DeleteOnClose, false);

    m_closeButton = new QToolButton(this);
    m_closeButton->setObjectName(u"panelCloseButton"_s);
    Kit::setRole(m_closeButton, Kit::Role::kPlainButton);
    m_closeButton->setFixedSize(kCloseSize, kCloseSize);
    m_closeButton->setIconSize(QSize(10, 10));
    m_closeButton->setCursor(Qt::PointingHandCursor);
    m_closeButton->setFocusPolicy(Qt::NoFocus);
    connect(m_closeButton, &QToolButton::clicked, this, &PanelWindow::hideRequested);

    for (const Qt::Edges edges :
         {Qt::Edges(Qt::LeftEdge), Qt::Edges(Qt::RightEdge), Qt::Edges(Qt::TopEdge),
          Qt::Edges(Qt::BottomEdge), Qt::TopEdge | Qt::LeftEdge, Qt::TopEdge | Qt::RightEdge,
          Qt::BottomEdge | Qt::LeftEdge, Qt::BottomEdge | Qt::RightEdge})
        m_edgeHandles.append(new EdgeHandle(edges, this));
    updateCloseIcon();
    layoutChrome();
}

void PanelWindow::updateCloseIcon()
{
    m_closeButton->setIcon(Icons::icon(u"xmark"_s, Palette::of(palette()).secondaryLabel, 10));
}

void PanelWindow::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::PaletteChange)
        updateCloseIcon();
    QWidget::changeEvent(event);
}

void PanelWindow::setContent(QWidget *content)
{
    m_content = content;
    content->setParent(this);
    layoutChrome();
}

void PanelWindow::startUserResize(Qt::Edges edges)
{
    m_isUserResizing = true;
    if (windowHandle())
        windowHandle()->startSystemResize(edges);
}

void PanelWindow::setFrame(const QRect &frame)
{
    m_isUserResizing = false;
    setGeometry(frame);
}

void PanelWindow::hideEvent(QHideEvent *event)
{
    m_isUserResizing = false;
    QWidget::hideEvent(event);
}

void PanelWindow::closeEvent(QCloseEvent *event)
{
    event->ignore();
    Q_EMIT hideRequested();
}

void PanelWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutChrome();
    if (m_isUserResizing)
        Q_EMIT resizedByUser(size());
}

void PanelWindow::layoutChrome()
{
    if (m_content)
        m_content->setGeometry(rect().adjusted(1, 1, -1, -1));
    m_closeButton->move(12, 12);
    m_closeButton->raise();
    const int w = width();
    const int h = height();
    for (QWidget *handle : std::as_const(m_edgeHandles)) {
        const Qt::Edges edges = static_cast<EdgeHandle *>(handle)->edges();
        const int x = edges & Qt::LeftEdge ? 0 : edges & Qt::RightEdge ? w - kEdge : kCorner;
        const int y = edges & Qt::TopEdge ? 0 : edges & Qt::BottomEdge ? h - kEdge : kCorner;
        const bool corner =
            (edges & (Qt::LeftEdge | Qt::RightEdge)) && (edges & (Qt::TopEdge | Qt::BottomEdge));
        const int width =
            edges & (Qt::LeftEdge | Qt::RightEdge) ? (corner ? kCorner : kEdge) : w - 2 * kCorner;
        const int height =
            edges & (Qt::TopEdge | Qt::BottomEdge) ? (corner ? kCorner : kEdge) : h - 2 * kCorner;
        const int cornerX = edges & Qt::RightEdge ? w - width : 0;
        const int cornerY = edges & Qt::BottomEdge ? h - height : 0;
        handle->setGeometry(corner ? cornerX : x, corner ? cornerY : y, width, height);
        handle->raise();
    }
}

void PanelWindow::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_movableByBackground)
        return QWidget::mousePressEvent(event);
    if (windowHandle() && windowHandle()->startSystemMove())
        return;
    m_dragOffset = event->globalPosition().toPoint() - pos();
}

void PanelWindow::mouseMoveEvent(QMouseEvent *event)
{
    if (m_dragOffset)
        move(event->globalPosition().toPoint() - *m_dragOffset);
    QWidget::mouseMoveEvent(event);
}

void PanelWindow::mouseReleaseEvent(QMouseEvent *event)
{
    m_dragOffset.reset();
    QWidget::mouseReleaseEvent(event);
}

void PanelWindow::paintEvent(QPaintEvent *)
{
    const ThemePalette &colors = Palette::of(palette());
    QPainter painter(this);
    painter.fillRect(rect(), colors.windowBackground);
    painter.setPen(colors.separator);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

} // namespace devnook
