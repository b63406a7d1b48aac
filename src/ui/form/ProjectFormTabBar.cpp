#include "ProjectFormTabBar.h"

#include "ui/kit/Icons.h"
#include "ui/kit/Kit.h"
#include "ui/kit/Palette.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace devnook {

namespace {

constexpr int kInset = 3;
constexpr int kSpacing = 4;
constexpr int kTabHeight = 30;
constexpr int kTabPadding = 9;
constexpr int kSymbolSize = 11;
constexpr int kSymbolGap = 3;
constexpr int kCounterGap = 5;
constexpr int kCounterSize = 16;
constexpr int kDotSize = 5;

QFont titleFont()
{
    return Kit::font(13, QFont::Medium);
}

} // namespace

ProjectFormTabBar::ProjectFormTabBar(QWidget *parent) : QWidget(parent)
{
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void ProjectFormTabBar::setSelection(ProjectFormTab tab)
{
    m_selection = tab;
    update();
}

void ProjectFormTabBar::setCounts(const QMap<ProjectFormTab, int> &counts)
{
    if (counts == m_counts)
        return;
    m_counts = counts;
    updateGeometry();
    update();
}

void ProjectFormTabBar::setNotesHasContent(bool hasContent)
{
    if (hasContent == m_notesHasContent)
        return;
    m_notesHasContent = hasContent;
    updateGeometry();
    update();
}

int ProjectFormTabBar::counterOf(ProjectFormTab tab) const
{
    return m_counts.value(tab, 0);
}

int ProjectFormTabBar::tabWidth(ProjectFormTab tab) const
{
    int width = kTabPadding + kSymbolSize + kSymbolGap +
                QFontMetrics(titleFont()).horizontalAdvance(ProjectFormTabs::title(tab)) + kTabPadding;
    if (counterOf(tab) > 0)
        width += kCounterGap + kCounterSize;
    else if (tab == ProjectFormTab::notes && m_notesHasContent)
        width += kCounterGap + kDotSize;
    return width;
}

QRect ProjectFormTabBar::tabRect(ProjectFormTab tab) const
{
    int x = kInset;
    for (const ProjectFormTab each : ProjectFormTabs::all()) {
        if (each == tab)
            return QRect(x, kInset, tabWidth(each), kTabHeight);
        x += tabWidth(each) + kSpacing;
    }
    return {};
}

QSize ProjectFormTabBar::sizeHint() const
{
    const QRect last = tabRect(ProjectFormTabs::all().last());
    return QSize(last.right() + 1 + kInset, kTabHeight + 2 * kInset);
}

void ProjectFormTabBar::paintEvent(QPaintEvent *)
{
    const ThemePalette &colors = Palette::of(palette());
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colors.groupedBackground);
    painter.drawRoundedRect(QRectF(QPointF(0, 0), QSizeF(sizeHint())), 9, 9);

    painter.setFont(titleFont());
    const QFontMetrics metrics(titleFont());
    for (const ProjectFormTab tab : ProjectFormTabs::all()) {
        const QRect rect = tabRect(tab);
        const bool selected = tab == m_selection;
        const QColor foreground = selected ? colors.windowBackground : colors.secondaryLabel;
        if (selected) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(colors.label);
            painter.drawRoundedRect(QRectF(rect), 7, 7);
        }
        int x = rect.left() + kTabPadding;
        const int middle = rect.center().y();
        painter.drawPixmap(
            x, middle - kSymbolSize / 2,
            Icons::pixmap(ProjectFormTabs::symbolName(tab), foreground, kSymbolSize, devicePixelRatioF()));
        x += kSymbolSize + kSymbolGap;
        const QString title = ProjectFormTabs::title(tab);
        painter.setPen(foreground);
        painter.drawText(QRect(x, rect.top(), metrics.horizontalAdvance(title), rect.height()),
                         Qt::AlignVCenter, title);
        x += metrics.horizontalAdvance(title) + kCounterGap;
        if (const int count = counterOf(tab); count > 0) {
            // Black on white inside the selected pill, white on black elsewhere.
            const QRectF circle(x, middle - kCounterSize / 2.0, kCounterSize, kCounterSize);
            painter.setPen(Qt::NoPen);
            painter.setBrush(selected ? Qt::white : Qt::black);
            painter.drawEllipse(circle);
            painter.setPen(selected ? Qt::black : Qt::white);
            painter.setFont(Kit::font(8, QFont::DemiBold));
            painter.drawText(circle, Qt::AlignCenter, QString::number(count));
            painter.setFont(titleFont());
        } else if (tab == ProjectFormTab::notes && m_notesHasContent) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(selected ? colors.windowBackground : colors.secondaryLabel);
            painter.drawEllipse(QRectF(x, middle - kDotSize / 2.0, kDotSize, kDotSize));
        }
    }
}

void ProjectFormTabBar::mousePressEvent(QMouseEvent *event)
{
    for (const ProjectFormTab tab : ProjectFormTabs::all()) {
        if (tabRect(tab).contains(event->position().toPoint())) {
            Q_EMIT tabClicked(tab);
            return;
        }
    }
}

} // namespace devnook
