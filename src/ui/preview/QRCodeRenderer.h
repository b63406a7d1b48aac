#pragma once

#include <QImage>
#include <QString>

namespace devnook::QRCodeRenderer {

// White modules kept around a code so that a camera finds its edges.
inline constexpr int kQuietZone = 4;

// The QR code of the text's UTF-8 bytes at error-correction level M, one
// black or white pixel per module, without the quiet zone; a null image when
// the text is empty or too long for any code. Made once per text and kept.
QImage modules(const QString &text);

// The code on a white square of side pixels: every module the same whole
// number of pixels, the code at most maxCodeSide pixels wide and the quiet
// zone inside the square. A null image when the modules do not fit that way.
QImage tile(const QImage &modules, int side, int maxCodeSide);

} // namespace devnook::QRCodeRenderer
