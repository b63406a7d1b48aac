#include "DevicePreviewInflater.h"

#include "HttpSyntax.h"

#include <zlib.h>

namespace devnook {

struct DevicePreviewInflater::Stream {
    z_stream z{};
    bool initialised = false;
    ~Stream()
    {
        if (initialised)
            inflateEnd(&z);
    }
};

std::unique_ptr<DevicePreviewInflater> DevicePreviewInflater::forCoding(QByteArrayView contentEncoding)
{
    const QByteArrayView coding = HttpSyntax::withoutBlanks(contentEncoding);
    if (coding.compare("gzip", Qt::CaseInsensitive) == 0 ||
        coding.compare("x-gzip", Qt::CaseInsensitive) == 0)
        return std::unique_ptr<DevicePreviewInflater>(new DevicePreviewInflater(Format::gzip));
    if (coding.compare("deflate", Qt::CaseInsensitive) == 0)
        return std::unique_ptr<DevicePreviewInflater>(new DevicePreviewInflater(Format::deflate));
    return nullptr;
}

DevicePreviewInflater::DevicePreviewInflater(Format format)
    : m_stream(std::make_unique<Stream>()), m_format(format)
{}

DevicePreviewInflater::~DevicePreviewInflater() = default;

bool DevicePreviewInflater::begin(QByteArrayView firstBytes)
{
    int windowBits = 16 + MAX_WBITS;
    if (m_format == Format::deflate) {
        // A zlib header: compression method 8, and the two bytes a multiple of 31.
        const auto cmf = static_cast<unsigned char>(firstBytes[0]);
        const auto flg = static_cast<unsigned char>(firstBytes[1]);
        windowBits = (cmf & 0x0f) == 8 && (cmf * 256 + flg) % 31 == 0 ? MAX_WBITS : -MAX_WBITS;
    }
    m_stream->initialised = inflateInit2(&m_stream->z, windowBits) == Z_OK;
    return m_stream->initialised;
}

std::optional<QByteArray> DevicePreviewInflater::feed(QByteArrayView bytes)
{
    if (m_broken)
        return std::nullopt;
    if (m_finished)
        return QByteArray();
    QByteArrayView input = bytes;
    if (!m_started) {
        m_pending.append(bytes);
        if (m_pending.size() < 2)
            return QByteArray();
        m_started = true;
        if (!begin(m_pending)) {
            m_broken = true;
            return std::nullopt;
        }
        input = m_pending;
    }
    z_stream &z = m_stream->z;
    z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(input.data()));
    z.avail_in = static_cast<uInt>(input.size());
    QByteArray out;
    char buffer[32 * 1024];
    // Until a round leaves room in the buffer: zlib may hold output back.
    do {
        z.next_out = reinterpret_cast<Bytef *>(buffer);
        z.avail_out = sizeof buffer;
        const int result = inflate(&z, Z_NO_FLUSH);
        if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR) {
            m_broken = true;
            return std::nullopt;
        }
        out.append(buffer, static_cast<qsizetype>(sizeof buffer - z.avail_out));
        if (result == Z_STREAM_END) {
            m_finished = true;
            break;
        }
    } while (z.avail_out == 0);
    m_pending.clear();
    return out;
}

} // namespace devnook
