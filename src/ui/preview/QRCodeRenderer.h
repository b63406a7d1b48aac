#pragma once

#include <QImage>
#include <QString>

namespace devnook::QRCodeRenderer {

// The QR code of the text's UTF-8 bytes at error-correction level M, one
// black or white pixel per module, without a quiet zone; a null image when
// the text is empty or too long for any code. Made once per text and kept.
QImage modules(const QString &text);

// The code stretched to side × side pixels without interpolation, so that
// every pixel is wholly black or white; a null image for a null code.
QImage stretched(const QImage &modules, int side);

} // namespace devnook::QRCodeRenderer
