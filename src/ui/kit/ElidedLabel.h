#pragma once

#include <QLabel>

namespace devnook {

// A word-wrapped label that shows at most a number of lines, the last one
// elided (at its end unless told otherwise) when the text is longer; the
// whole text is its tooltip, shown as plain text too.
class ElidedLabel final : public QLabel {
    Q_OBJECT

public:
    ElidedLabel(int maximumLines, QWidget *parent = nullptr);

    void setFullText(const QString &text);
    // Where the last line gives way: its end by default.
    void setElideMode(Qt::TextElideMode mode);

    // The text as shown at this width: whole lines, then one elided line.
    static QString elided(const QString &text, const QFont &font, int width, int maximumLines,
                          Qt::TextElideMode mode = Qt::ElideRight);

protected:
    bool event(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void updateShownText();

    int m_maximumLines;
    Qt::TextElideMode m_elideMode = Qt::ElideRight;
    QString m_fullText;
};

} // namespace devnook
