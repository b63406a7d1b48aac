#pragma once

#include <QAbstractButton>
#include <QWidget>

namespace devnook {

class ProjectFormController;

// One round swatch of the client colour palette; a checkmark marks the
// draft's colour.
class ColorSwatch final : public QAbstractButton {
    Q_OBJECT

public:
    ColorSwatch(const QString &hex, QWidget *parent = nullptr);

    QSize sizeHint() const override { return {20, 20}; }
    const QString &hex() const { return m_hex; }
    bool isSelected() const { return m_selected; }
    void setSelected(bool selected);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_hex;
    bool m_selected = false;
};

// The row of client colour swatches; a click writes the swatch's hexadecimal
// colour into the draft.
class ClientColorPicker final : public QWidget {
    Q_OBJECT

public:
    explicit ClientColorPicker(ProjectFormController &form, QWidget *parent = nullptr);
};

} // namespace devnook
