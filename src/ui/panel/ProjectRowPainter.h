#pragma once

#include "ProjectCardLayout.h"

#include <QHash>
#include <QPixmap>
#include <QStyledItemDelegate>

namespace devnook {

class ProjectListView;
struct ThemePalette;

// Paints the list's rows: project cards and section headers, in the colours
// of the view's palette at paint time, so a theme change only repaints.
class ProjectRowPainter final : public QStyledItemDelegate {
    Q_OBJECT

public:
    static constexpr int kTopPadding = 12;
    static constexpr int kBottomPadding = 12;

    ProjectRowPainter(const ProjectListModel &model, const ProjectListView &view);

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    // The part of a row's rectangle its card or header is laid in: without
    // the list's padding above the first row and below the last.
    QRect contentRect(const QRect &itemRect, int row) const;
    // The layout of a project row laid in its item rectangle.
    ProjectCardLayout layoutOf(int row, const QRect &itemRect) const;
    const CardFonts &fonts() const { return m_fonts; }

private:
    void paintCard(QPainter &painter, const QRect &rect, int row, const ThemePalette &colors,
                   qreal ratio) const;
    void paintSection(QPainter &painter, const QRect &rect, int row, const ThemePalette &colors,
                      qreal ratio) const;
    void paintZone(QPainter &painter, const CardZone &zone, const ProjectListModel::ProjectRow &entry,
                   bool hovered, const ThemePalette &colors, qreal ratio) const;
    void paintActionButton(QPainter &painter, const CardZone &zone, const RowActionButton &button,
                           bool hovered, const ThemePalette &colors, qreal ratio) const;
    // A symbol in one colour, drawn once per colour, size and density.
    const QPixmap &symbol(const QString &name, const QColor &color, int size, qreal ratio) const;

    const ProjectListModel &m_model;
    const ProjectListView &m_view;
    CardFonts m_fonts;
    mutable QHash<QString, QPixmap> m_symbols;
};

} // namespace devnook
