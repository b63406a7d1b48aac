#pragma once

#include <QImage>
#include <QWidget>

namespace devnook {

// A QR code on a white tile with rounded corners, sharp at any screen
// density: the code is scaled by whole pixels per module, once per density.
class QRCodeTile final : public QWidget {
    Q_OBJECT

public:
    // The room of the code and the white margin around it.
    static constexpr int kCodeSide = 112;
    static constexpr int kMargin = 8;

    // modules: the code as QRCodeRenderer::modules gives it, one that fits.
    explicit QRCodeTile(QImage modules, QWidget *parent = nullptr);

    // Whether the code fits the tile with whole pixels per module at the
    // lowest density; a null code never does.
    static bool fits(const QImage &modules);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QImage m_modules;
    QImage m_tile;
    qreal m_tileRatio = 0;
};

} // namespace devnook
