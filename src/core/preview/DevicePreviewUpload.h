#pragma once

#include "DevicePreviewRecords.h"
#include "HttpProxyRequest.h"

#include <QByteArray>
#include <QUrl>
#include <optional>

namespace devnook {

// A device's request on its way to the dev server, as its bytes arrive: the
// head the dev server gets, then the body passed on piece by piece, so that
// none of it need be held. A body the device sends with a length keeps that
// length, an empty one included. A chunked one is held while it stays within
// holdBytes, so that it goes with its length too; past that it goes on in
// chunks of its own (the device's chunk extensions and trailer dropped).
class DevicePreviewUpload {
public:
    // request: its head, as read; destination: where it goes.
    DevicePreviewUpload(const HttpProxyRequest &request, HttpRequestParser::Framing framing,
                        qint64 contentLength, const QUrl &destination,
                        const QList<DevicePreviewURLReplacement> &originMappings, qint64 holdBytes);

    // What can go to the dev server at once: the head, unless a chunked body is held first.
    QByteArray start();
    // The bytes to send for this piece of the body (the head first, once it can go).
    QByteArray body(QByteArrayView bytes);
    // The rest, once the body has ended.
    QByteArray end();

    // The body's length as the dev server is told it; none for a body sent
    // in chunks or while the head has not gone out.
    std::optional<qint64> length() const { return m_length; }

private:
    enum class Mode { passing, holding, chunking };

    // The head with the framing header the dev server is told.
    QByteArray headWith(const QByteArray &framingHeader);

    QByteArray m_head;
    Mode m_mode;
    qint64 m_holdBytes;
    std::optional<qint64> m_length;
    QByteArray m_held;
};

} // namespace devnook
