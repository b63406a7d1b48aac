#pragma once

#include <QString>
#include <QUrl>
#include <optional>

namespace devnook::DevicePreviewOrigins {

// "scheme://host[:port]" of the URL, no trailing slash, letter case kept;
// the URL's whole text when scheme, host and port make no URL.
QString origin(const QUrl &url);

// The local URL with scheme "http", the address (untrimmed) as host and the
// proxy's port; none when the address is blank or the URL has no host.
std::optional<QUrl> lanURL(const QUrl &localURL, const QString &address, quint16 port);

// Where a device's request target goes: always the local origin, with only
// the target's path and query. An absolute target loses its authority, so
// the proxy is never an open proxy, and a target that starts with "/" is a
// path whatever follows (so "//a//b" stays whole); characters not allowed in a
// path or query are percent-encoded. None when the local URL has no scheme or host.
std::optional<QUrl> destinationURL(const QString &target, const QUrl &localURL);

} // namespace devnook::DevicePreviewOrigins
