#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <memory>
#include <optional>

namespace devnook {

// Decodes a gzip or deflate body as its bytes arrive. "deflate" is meant as a
// zlib stream, yet some servers send it raw: the first two bytes tell which.
// Bytes after the end of the compressed stream are ignored.
class DevicePreviewInflater {
public:
    // None when the Content-Encoding value names no coding this can decode
    // (several codings, br, zstd, …).
    static std::unique_ptr<DevicePreviewInflater> forCoding(QByteArrayView contentEncoding);
    ~DevicePreviewInflater();

    // The bytes decoded from these; none once the stream proves broken.
    std::optional<QByteArray> feed(QByteArrayView bytes);
    // True once the end of the compressed stream has been read.
    bool isFinished() const { return m_finished; }

private:
    enum class Format { gzip, deflate };
    explicit DevicePreviewInflater(Format format);
    bool begin(QByteArrayView firstBytes);

    struct Stream;
    std::unique_ptr<Stream> m_stream;
    Format m_format;
    QByteArray m_pending;
    bool m_started = false;
    bool m_broken = false;
    bool m_finished = false;
};

} // namespace devnook
