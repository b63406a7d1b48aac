#include "ElidedLabel.h"

#include <QFontMetrics>
#include <QHelpEvent>
#include <QTextDocument>
#include <QTextLayout>
#include <QToolTip>

namespace devnook {

ElidedLabel::ElidedLabel(int maximumLines, QWidget *parent) : QLabel(parent), m_maximumLines(maximumLines)
{
    setWordWrap(true);
    setTextFormat(Qt::PlainText);
}

void ElidedLabel::setFullText(const QString &text)
{
    m_fullText = text;
    setToolTip(text);
    updateShownText();
}

void ElidedLabel::setElideMode(Qt::TextElideMode mode)
{
    m_elideMode = mode;
    updateShownText();
}

QString ElidedLabel::elided(const QString &text, const QFont &font, int width, int maximumLines,
                            Qt::TextElideMode mode)
{
    if (width <= 0 || maximumLines <= 0)
        return text;
    QString flat = text;
    flat.replace(u'\n', u' ');
    QTextLayout layout(flat, font);
    layout.beginLayout();
    QString shown;
    for (int line = 0; line < maximumLines; ++line) {
        QTextLine textLine = layout.createLine();
        if (!textLine.isValid())
            break;
        textLine.setLineWidth(width);
        const QString piece = flat.mid(textLine.textStart(), textLine.textLength());
        if (line == maximumLines - 1 && textLine.textStart() + textLine.textLength() < flat.size()) {
            shown += QFontMetrics(font).elidedText(flat.mid(textLine.textStart()), mode, width);
            break;
        }
        shown += piece;
    }
    layout.endLayout();
    return shown;
}

bool ElidedLabel::event(QEvent *event)
{
    // A tooltip takes anything that looks like markup for markup; the text
    // may be a user's "<b>Shop</b>", which the label shows as typed.
    if (event->type() == QEvent::ToolTip && !toolTip().isEmpty()) {
        QToolTip::showText(static_cast<QHelpEvent *>(event)->globalPos(), Qt::convertFromPlainText(toolTip()),
                           this);
        return true;
    }
    return QLabel::event(event);
}

void ElidedLabel::resizeEvent(QResizeEvent *event)
{
    QLabel::resizeEvent(event);
    updateShownText();
}

void ElidedLabel::updateShownText()
{
    const QString shown = elided(m_fullText, font(), contentsRect().width(), m_maximumLines, m_elideMode);
    if (shown != text())
        setText(shown);
}

} // namespace devnook
