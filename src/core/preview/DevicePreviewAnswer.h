#pragma once

#include "DevicePreviewInflater.h"
#include "DevicePreviewProxyRewriter.h"
#include "DevicePreviewRecords.h"
#include "HttpProxyResponse.h"

#include <QByteArray>
#include <memory>
#include <optional>

namespace devnook {

// Turns a dev server's answer into the bytes for the device as it arrives,
// holding at most about collectBytes of it. A body that ends within that is
// sent whole with its exact length: decoded from gzip or deflate, and
// rewritten when it is UTF-8. A longer one goes out as it comes, decoded and
// rewritten the same way (judged UTF-8 by what was collected), in chunked
// coding so that the device can tell a whole body from a cut one (ended by the
// close for a device that does not read chunked coding); one that passes as
// sent keeps the length the dev server gave. Event streams pass unmodified,
// as do bodies in a coding the proxy cannot decode.
class DevicePreviewAnswer {
public:
    struct Rules {
        // The content replacements, ready for bodies.
        DevicePreviewProxyRewriter::Stream bodyRewriter;
        // The content replacements followed by the origin mappings.
        QList<DevicePreviewURLReplacement> headerReplacements;
        // The most of the body held to be sent with its length.
        qsizetype collectBytes = 0;
    };

    // What the device's request allows the answer.
    struct Asked {
        // The request was HEAD: the answer has no body.
        bool head = false;
        // The device reads chunked coding (it spoke HTTP/1.1).
        bool chunked = true;
    };

    DevicePreviewAnswer(HttpResponseHead head, Asked asked, Rules rules);
    ~DevicePreviewAnswer();

    // The most of its body that an answer with this head may hold, under collectBytes.
    static qsizetype heldAtMost(const HttpResponseHead &head, Asked asked, qsizetype collectBytes);

    // What can go to the device at once: the head, unless the body must be collected first.
    QByteArray start();
    // The bytes to send for this piece of the body (transfer coding removed).
    QByteArray body(QByteArrayView bytes);
    // The rest, once the body has ended.
    QByteArray end();

    // True once the head has gone out.
    bool headSent() const { return m_mode != Mode::collecting; }
    // True for an event stream, passed on unmodified because it may stay
    // quiet for as long as it likes: the dev server is not timed.
    bool isUnmodifiedStream() const { return m_mode == Mode::unmodified; }
    // True when a streamed body proved undecodable or was cut short after its
    // head went out: the device must be cut off, not told the body is whole.
    bool isBroken() const { return m_broken; }

private:
    enum class Mode { headOnly, unmodified, collecting, streaming };

    QByteArray headOnly() const;
    QByteArray collected();
    QByteArray startStreaming();
    QByteArray transformed(QByteArrayView bytes);
    // The bytes in the framing the device was told.
    QByteArray framed(QByteArray bytes) const;

    HttpResponseHead m_head;
    Asked m_asked;
    Rules m_rules;
    Mode m_mode;
    bool m_chunked = false;
    std::unique_ptr<DevicePreviewInflater> m_inflater;
    std::optional<DevicePreviewProxyRewriter::Stream> m_rewriter;
    // The body as sent, kept while collecting when it is being decoded.
    QByteArray m_raw;
    // The body decoded (or as sent, when it has no coding), while collecting.
    QByteArray m_decoded;
    bool m_undecodable = false;
    bool m_broken = false;
};

} // namespace devnook
