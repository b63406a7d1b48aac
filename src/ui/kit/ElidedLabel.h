#pragma once

#include <QLabel>

namespace devnook {

// A word-wrapped label that shows at most a number of lines, the last one
// ending in an ellipsis when the text is longer; the whole text is its tooltip.
class ElidedLabel final : public QLabel {
    Q_OBJECT

public:
    ElidedLabel(int maximumLines, QWidget *parent = nullptr);

    void setFullText(const QString &text);

    // The text as shown at this width: whole lines, then one elided line.
    static QString elided(const QString &text, const QFont &font, int width, int maximumLines);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void updateShownText();

    int m_maximumLines;
    QString m_fullText;
};

} // namespace devnook
