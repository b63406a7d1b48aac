#pragma once

#include "DevicePreviewRecords.h"

#include <QByteArray>
#include <QList>
#include <QNetworkReply>
#include <QPair>
#include <optional>

namespace devnook::DevicePreviewResponse {

using RawHeaders = QList<QPair<QByteArray, QByteArray>>;

// What the proxy sends back for a dev server's answer.
struct Forwarded {
    int status = 200;
    QByteArray reason;
    RawHeaders headers;
    // The body as the dev server sent it, transfer coding removed.
    QByteArray body;
    bool isHead = false;
};

// The bytes for the device: body decoded when compressed and rewritten when
// UTF-8, header values rewritten (content replacements, then origin mappings),
// each Set-Cookie on its own line and reduced for plain http, and
// Content-Length, Connection, Transfer-Encoding and Content-Encoding set by
// the proxy whatever their case. A HEAD answer keeps the dev server's length
// and has no body.
QByteArray complete(const Forwarded &answer, const QList<DevicePreviewURLReplacement> &contentReplacements,
                    const QList<DevicePreviewURLReplacement> &originMappings);

// The head of an answer whose body is passed on as it arrives, unmodified:
// headers rewritten as above, the dev server's own Content-Length and
// Content-Encoding kept, "Connection: close" ending the body.
QByteArray streamedHead(const Forwarded &answer,
                        const QList<DevicePreviewURLReplacement> &contentReplacements,
                        const QList<DevicePreviewURLReplacement> &originMappings);

// A plain-text error answer; the identifier goes in "X-Devnook-Proxy-Error".
QByteArray error(int status, const QString &message, const QString &identifier = {});

// The body decoded from gzip or deflate (zlib or raw); none when it does not
// decode or the coding is another.
std::optional<QByteArray> decoded(const QByteArray &body, const QByteArray &contentEncoding);

// "timeout", "connection-refused", "secure-connection-failed" or
// "local-service-unavailable" for a failed forward.
QString proxyErrorIdentifier(QNetworkReply::NetworkError error, bool timedOut);

} // namespace devnook::DevicePreviewResponse
