#include "LogLineDelegate.h"

#include "core/logs/ProjectLogListModel.h"
#include "ui/kit/Kit.h"
#include "ui/kit/Palette.h"

#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>

namespace devnook {

namespace {

constexpr int kTimeFontSize = 10;
constexpr int kTextFontSize = 11;
constexpr int kColumnGap = 8;
constexpr int kRowGap = 4;
constexpr qreal kErrorOpacity = 0.85;

const QFont &timeFont()
{
    static const QFont font = Kit::monospacedFont(kTimeFontSize);
    return font;
}

const QFont &textFont()
{
    static const QFont font = Kit::monospacedFont(kTextFontSize);
    return font;
}

qreal timeColumnWidth()
{
    return QFontMetricsF(timeFont()).horizontalAdvance(QStringLiteral("00:00:00")) + kColumnGap;
}

} // namespace

LogLineDelegate::LogLineDelegate(const ProjectLogListModel &model, QObject *parent)
    : QStyledItemDelegate(parent), m_model(model)
{}

void LogLineDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                            const QModelIndex &index) const
{
    const ThemePalette &colors = Palette::of(option.palette);
    painter->save();
    if (option.state & QStyle::State_Selected)
        painter->fillRect(option.rect, option.palette.highlight());

    const QFontMetricsF textMetrics(textFont());
    const qreal baseline = option.rect.top() + kRowGap / 2.0 + textMetrics.ascent();
    painter->setFont(timeFont());
    painter->setPen(colors.tertiaryLabel);
    painter->drawText(QPointF(option.rect.left(), baseline),
                      index.data(ProjectLogListModel::TimeTextRole).toString());

    QColor textColor = colors.label;
    if (index.data(ProjectLogListModel::IsErrorRole).toBool()) {
        textColor = colors.red;
        textColor.setAlphaF(textColor.alphaF() * kErrorOpacity);
    }
    painter->setFont(textFont());
    painter->setPen(textColor);
    // A line can hold thousands of characters; shape only the ones that fall
    // inside the visible part of the row.
    const QString text = index.data(Qt::DisplayRole).toString();
    const qreal textLeft = option.rect.left() + timeColumnWidth();
    const qreal advance = std::max<qreal>(1.0, textMetrics.horizontalAdvance(QLatin1Char('M')));
    const qreal visibleLeft = option.widget ? 0.0 : option.rect.left();
    const qreal visibleWidth = option.widget ? option.widget->width() : option.rect.width();
    const auto first = std::max<qsizetype>(0, static_cast<qsizetype>((visibleLeft - textLeft) / advance) - 1);
    const auto count = static_cast<qsizetype>(visibleWidth / advance) + 3;
    painter->drawText(QPointF(textLeft + static_cast<qreal>(first) * advance, baseline),
                      text.mid(first, count));
    painter->restore();
}

QSize LogLineDelegate::sizeHint(const QStyleOptionViewItem &, const QModelIndex &) const
{
    const QFontMetricsF textMetrics(textFont());
    const qreal width = timeColumnWidth() + static_cast<qreal>(m_model.longestTextLength()) *
                                                textMetrics.horizontalAdvance(QLatin1Char('M'));
    return {static_cast<int>(std::ceil(width)) + 1,
            static_cast<int>(std::ceil(textMetrics.height())) + kRowGap};
}

} // namespace devnook
