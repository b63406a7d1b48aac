#include "QRCodeRenderer.h"

#include <QCache>
#include <memory>
#include <qrencode.h>

namespace devnook::QRCodeRenderer {

namespace {

// Enough for every URL of every open window; codes are a few kilobytes.
constexpr int kCachedCodes = 256;

QImage encode(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    if (bytes.isEmpty())
        return {};
    // Byte mode keeps every character as it is; version 0 picks the smallest code.
    const std::unique_ptr<QRcode, decltype(&QRcode_free)> code(
        QRcode_encodeData(static_cast<int>(bytes.size()),
                          reinterpret_cast<const unsigned char *>(bytes.data()), 0, QR_ECLEVEL_M),
        &QRcode_free);
    if (!code)
        return {};
    const int width = code->width;
    QImage image(width, width, QImage::Format_Grayscale8);
    for (int y = 0; y < width; ++y) {
        uchar *line = image.scanLine(y);
        for (int x = 0; x < width; ++x)
            line[x] = (code->data[y * width + x] & 1) ? 0 : 255;
    }
    return image;
}

} // namespace

QImage modules(const QString &text)
{
    static QCache<QString, QImage> cache(kCachedCodes);
    if (const QImage *known = cache.object(text))
        return *known;
    QImage image = encode(text);
    if (!image.isNull())
        cache.insert(text, new QImage(image));
    return image;
}

QImage stretched(const QImage &modules, int side)
{
    if (modules.isNull() || side < 1)
        return {};
    // Nearest neighbour: modules may differ by a pixel in size, never blur.
    return modules.scaled(side, side, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

} // namespace devnook::QRCodeRenderer
