#pragma once

#include <QAbstractButton>

namespace devnook {

// An on/off switch: a rounded track with a sliding knob.
class Switch final : public QAbstractButton {
    Q_OBJECT

public:
    explicit Switch(QWidget *parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace devnook
