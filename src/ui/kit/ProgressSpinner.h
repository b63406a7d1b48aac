#pragma once

#include <QVariantAnimation>
#include <QWidget>

namespace devnook {

// A small indeterminate progress indicator: an arc turning in the secondary
// label colour, animated only while it is on screen.
class ProgressSpinner final : public QWidget {
    Q_OBJECT

public:
    // side: the indicator's width and height in device-independent pixels.
    explicit ProgressSpinner(int side, QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    QVariantAnimation m_turn;
    qreal m_angle = 0;
};

} // namespace devnook
