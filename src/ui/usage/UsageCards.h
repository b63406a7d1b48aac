#pragma once

#include <QFrame>

class QLabel;

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

// One headline figure: a small secondary title over a large value.
class UsageStatCard final : public QFrame {
    Q_OBJECT

public:
    explicit UsageStatCard(const QString &title, QWidget *parent = nullptr);
    void setValue(const QString &value);
    QString value() const;

private:
    QLabel *m_value;
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
