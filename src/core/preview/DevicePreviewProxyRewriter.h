#pragma once

#include "DevicePreviewRecords.h"

#include <QByteArray>
#include <QByteArrayMatcher>
#include <QList>
#include <QString>
#include <vector>

namespace devnook::DevicePreviewProxyRewriter {

// Replaces each pair's source origin by its destination, pair after pair, and
// then the JSON-escaped forms ("http:\/\/host") likewise; literal and
// case-sensitive, with no boundary check.
QString rewritten(QString text, const QList<DevicePreviewURLReplacement> &replacements);

// Replaces each pair's destination origin by its source, plainly: a LAN origin
// in a request header becomes the local one.
QString toLocal(QString text, const QList<DevicePreviewURLReplacement> &replacements);

// rewritten() for a UTF-8 body that arrives in pieces: the bytes that come
// out, joined, are those of rewritten() on the whole text, wherever the cuts
// fall (an origin split between two pieces included). Origins are matched as
// bytes, so a body that is not UTF-8 passes with only exact byte matches replaced.
class Stream {
public:
    explicit Stream(const QList<DevicePreviewURLReplacement> &replacements);

    // False when no pair can change anything: bytes pass as they are.
    bool rewrites() const { return !m_stages.empty(); }
    // The rewritten bytes that can be given out so far: all but an end that
    // may still be the start of an origin.
    QByteArray feed(QByteArrayView bytes);
    // The rest, once the body has ended.
    QByteArray finish();

private:
    struct Stage {
        QByteArray from;
        QByteArray to;
        QByteArrayMatcher matcher;
        // The end of the bytes seen, that may be the start of a match.
        QByteArray carry;
    };
    QByteArray run(QByteArray bytes, bool last);

    std::vector<Stage> m_stages;
};

// The Set-Cookie value without Domain, Secure and SameSite=None, so that the
// browser keeps it for a plain-http LAN address; other attributes keep their order.
QString previewCompatibleCookie(const QString &value);

} // namespace devnook::DevicePreviewProxyRewriter
