#pragma once

#include "DevicePreviewRecords.h"

#include <QList>
#include <QString>

namespace devnook::DevicePreviewProxyRewriter {

// Replaces each pair's source origin by its destination, pair after pair, and
// then the JSON-escaped forms ("http:\/\/host") likewise; literal and
// case-sensitive, with no boundary check.
QString rewritten(QString text, const QList<DevicePreviewURLReplacement> &replacements);

// Replaces each pair's destination origin by its source, plainly: a LAN origin
// in a request header becomes the local one.
QString toLocal(QString text, const QList<DevicePreviewURLReplacement> &replacements);

// The Set-Cookie value without Domain, Secure and SameSite=None, so that the
// browser keeps it for a plain-http LAN address; other attributes keep their order.
QString previewCompatibleCookie(const QString &value);

} // namespace devnook::DevicePreviewProxyRewriter
