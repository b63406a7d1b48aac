#pragma once

#include <QFrame>
#include <QLabel>

namespace devnook {

// A titled card framing one section of a usage window: the header row (title,
// then an optional trailing control at the right) above the content.
class UsagePanel final : public QFrame {
    Q_OBJECT

public:
    // Takes the content and the trailing control as children.
    UsagePanel(const QString &title, int titleSpacing, QWidget *content, QWidget *trailing = nullptr,
               QWidget *parent = nullptr);
};

// A one-line label whose font shrinks, down to a share of its size, before
// the text is cut at the right.
class UsageShrinkingLabel final : public QLabel {
    Q_OBJECT

public:
    UsageShrinkingLabel(int pixelSize, QFont::Weight weight, double smallestShare, QWidget *parent = nullptr);
    void setFullText(const QString &text);
    QString fullText() const { return m_fullText; }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void fit();

    int m_pixelSize;
    QFont::Weight m_weight;
    double m_smallestShare;
    QString m_fullText;
};

// One headline figure: a small secondary title over a large value, which
// shrinks to 0.7 of its size in a narrow card before it is cut.
class UsageStatCard final : public QFrame {
    Q_OBJECT

public:
    explicit UsageStatCard(const QString &title, QWidget *parent = nullptr);
    void setValue(const QString &value);
    QString value() const;

private:
    UsageShrinkingLabel *m_value;
};

// A title at the left and a value at the right, at least 36 high.
class UsageMetricRow final : public QWidget {
    Q_OBJECT

public:
    explicit UsageMetricRow(const QString &title, QWidget *parent = nullptr);
    void setValue(const QString &value);
    QString value() const;

private:
    QLabel *m_value;
};

} // namespace devnook
