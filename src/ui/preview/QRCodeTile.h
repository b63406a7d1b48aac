#pragma once

#include <QImage>
#include <QWidget>

namespace devnook {

// A QR code stretched over a square of 112 × 112 without interpolation, on
// a white margin of 8 that is its quiet zone, with rounded corners. The code
// is scaled to whole device pixels once per screen density, so it is as
// sharp at any density.
class QRCodeTile final : public QWidget {
    Q_OBJECT

public:
    // The side of the code and the white margin around it.
    static constexpr int kCodeSide = 112;
    static constexpr int kMargin = 8;

    // modules: the code as QRCodeRenderer::modules gives it, one that fits.
    explicit QRCodeTile(QImage modules, QWidget *parent = nullptr);

    // Whether every module of the code gets at least a pixel at the lowest
    // density, without which no camera reads it; a null code never fits.
    static bool fits(const QImage &modules);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QImage m_modules;
    QImage m_code;
    qreal m_codeRatio = 0;
};

} // namespace devnook
