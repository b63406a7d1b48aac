#pragma once

#include "DevicePreviewRecords.h"
#include "HttpProxyResponse.h"

#include <QAbstractSocket>
#include <QByteArray>
#include <QList>
#include <optional>

namespace devnook::DevicePreviewResponse {

// The standard reason phrase of a status ("Content Too Large" for 413), or an
// empty array for a status without one.
QByteArray reasonPhrase(int status);

// The head of a dev server's answer for the device: the status with the
// reason as sent (the standard one when none was sent), then every header but
// those for this hop (Connection, Keep-Alive, Transfer-Encoding and the names
// Connection lists) and the `dropped` ones, values rewritten with the
// replacements and each Set-Cookie reduced for plain http; then
// "Content-Length" when a length is given, "Transfer-Encoding: chunked" when
// the body follows in chunks, and "Connection: close".
QByteArray head(const HttpResponseHead &answer, const QList<QByteArrayView> &dropped,
                const QList<DevicePreviewURLReplacement> &replacements, std::optional<qint64> contentLength,
                bool chunked = false);

// A plain-text error answer, its status line "HTTP/1.1 <status> Error"; the
// identifier goes in "X-Devnook-Proxy-Error".
QByteArray error(int status, const QString &message, const QString &identifier = {});

// What the error answer to an unparsable request says, by its status.
QString requestErrorMessage(int status);

// "connection-refused", "secure-connection-failed" or
// "local-service-unavailable" for a connection to the dev server that failed.
QString proxyErrorIdentifier(QAbstractSocket::SocketError error);

} // namespace devnook::DevicePreviewResponse
