#include "DevicePreviewAnswer.h"

#include "DevicePreviewResponse.h"
#include "HttpSyntax.h"

namespace devnook {

namespace {

bool isEventStream(const HttpResponseHead &head)
{
    return head.header("content-type").trimmed().toLower().startsWith("text/event-stream");
}

bool statusHasNoBody(int status)
{
    return status < 200 || status == 204 || status == 304;
}

bool isIdentity(QByteArrayView coding)
{
    return coding.isEmpty() || coding.compare("identity", Qt::CaseInsensitive) == 0;
}

// The length announced, when the body comes with that length and no other framing.
std::optional<qint64> lengthAsSent(const HttpResponseHead &head)
{
    if (!head.header("transfer-encoding").isNull())
        return std::nullopt;
    return HttpSyntax::parsedDigits(HttpSyntax::withoutBlanks(head.header("content-length")), 10, 18);
}

// Valid UTF-8, but for a character that the next bytes may complete.
bool isUtf8Prefix(QByteArrayView bytes)
{
    for (qsizetype back = 1; back <= 3 && back <= bytes.size(); ++back) {
        const auto c = static_cast<unsigned char>(bytes[bytes.size() - back]);
        if ((c & 0xc0) == 0x80)
            continue;
        const int length = c >= 0xf0 ? 4 : c >= 0xe0 ? 3 : c >= 0xc0 ? 2 : 1;
        if (length > back)
            return bytes.first(bytes.size() - back).isValidUtf8();
        break;
    }
    return bytes.isValidUtf8();
}

} // namespace

DevicePreviewAnswer::DevicePreviewAnswer(HttpResponseHead head, Asked asked, Rules rules)
    : m_head(std::move(head)), m_asked(asked), m_rules(std::move(rules))
{
    if (m_asked.head || statusHasNoBody(m_head.status))
        m_mode = Mode::headOnly;
    else if (isEventStream(m_head))
        m_mode = Mode::unmodified;
    else
        m_mode = Mode::collecting;

    const QByteArray coding = HttpSyntax::withoutBlanks(m_head.header("content-encoding")).toByteArray();
    if (!isIdentity(coding)) {
        m_inflater = DevicePreviewInflater::forCoding(coding);
        m_undecodable = !m_inflater;
    }
}

DevicePreviewAnswer::~DevicePreviewAnswer() = default;

qsizetype DevicePreviewAnswer::heldAtMost(const HttpResponseHead &head, Asked asked, qsizetype collectBytes)
{
    if (asked.head || statusHasNoBody(head.status) || isEventStream(head))
        return 0;
    // A decoded body is longer than the length sent.
    const std::optional<qint64> length = lengthAsSent(head);
    if (length && isIdentity(HttpSyntax::withoutBlanks(head.header("content-encoding"))))
        return static_cast<qsizetype>(std::min<qint64>(*length, collectBytes));
    return collectBytes;
}

QByteArray DevicePreviewAnswer::start()
{
    switch (m_mode) {
    case Mode::headOnly:
        return headOnly();
    case Mode::unmodified: {
        // A length beside a chunked coding does not describe the bytes that follow.
        const bool chunked = !m_head.header("transfer-encoding").isNull();
        return DevicePreviewResponse::head(
            m_head, chunked ? QList<QByteArrayView>{"content-length"} : QList<QByteArrayView>{},
            m_rules.headerReplacements, std::nullopt);
    }
    case Mode::collecting:
    case Mode::streaming:
        break;
    }
    return {};
}

QByteArray DevicePreviewAnswer::headOnly() const
{
    // A HEAD answer carries the headers its GET would: without the coding
    // that GET would take off, and with a length only where that GET would
    // send the very one the dev server gave.
    QList<QByteArrayView> dropped;
    if (m_asked.head && !statusHasNoBody(m_head.status)) {
        const bool stream = isEventStream(m_head);
        const bool decodes = m_inflater && !stream;
        const bool rewrites = !stream && !m_undecodable && m_rules.bodyRewriter.rewrites();
        if (decodes)
            dropped.append("content-encoding");
        if (decodes || rewrites || !lengthAsSent(m_head))
            dropped.append("content-length");
    }
    return DevicePreviewResponse::head(m_head, dropped, m_rules.headerReplacements, std::nullopt);
}

QByteArray DevicePreviewAnswer::body(QByteArrayView bytes)
{
    switch (m_mode) {
    case Mode::headOnly:
        return {};
    case Mode::unmodified:
        return bytes.toByteArray();
    case Mode::streaming:
        return framed(transformed(bytes));
    case Mode::collecting:
        break;
    }
    if (m_inflater) {
        m_raw.append(bytes);
        if (std::optional<QByteArray> decoded = m_inflater->feed(bytes)) {
            m_decoded += *decoded;
        } else {
            m_undecodable = true;
            m_inflater.reset();
            m_decoded.clear();
        }
    } else {
        (m_undecodable ? m_raw : m_decoded).append(bytes);
    }
    // What is held counts, encoded or decoded.
    if (std::max(m_raw.size(), m_decoded.size()) > m_rules.collectBytes)
        return startStreaming();
    return {};
}

QByteArray DevicePreviewAnswer::end()
{
    switch (m_mode) {
    case Mode::collecting:
        return collected();
    case Mode::streaming: {
        if (m_inflater && !m_inflater->isFinished())
            m_broken = true;
        QByteArray rest = framed(m_rewriter ? m_rewriter->finish() : QByteArray());
        return m_chunked ? rest + HttpSyntax::kLastChunk : rest;
    }
    case Mode::headOnly:
    case Mode::unmodified:
        break;
    }
    return {};
}

QByteArray DevicePreviewAnswer::collected()
{
    m_mode = Mode::streaming;
    // A compressed body cut short goes out as it came, with its coding.
    if (m_inflater && !m_inflater->isFinished())
        m_undecodable = true;
    QList<QByteArrayView> dropped = {"content-length"};
    QByteArray body;
    if (m_undecodable) {
        body = std::move(m_raw);
    } else {
        dropped.append("content-encoding");
        body = std::move(m_decoded);
        if (body.isValidUtf8()) {
            DevicePreviewProxyRewriter::Stream rewriter = m_rules.bodyRewriter;
            if (rewriter.rewrites()) {
                body = rewriter.feed(body);
                body += rewriter.finish();
            }
        }
    }
    return DevicePreviewResponse::head(m_head, dropped, m_rules.headerReplacements, body.size()) + body;
}

QByteArray DevicePreviewAnswer::startStreaming()
{
    m_mode = Mode::streaming;
    QList<QByteArrayView> dropped;
    QByteArray first;
    if (m_undecodable) {
        first = std::move(m_raw);
    } else {
        if (isUtf8Prefix(m_decoded)) {
            m_rewriter.emplace(m_rules.bodyRewriter);
            if (!m_rewriter->rewrites())
                m_rewriter.reset();
        }
        dropped.append("content-encoding");
        first = m_rewriter ? m_rewriter->feed(m_decoded) : std::move(m_decoded);
    }
    // The body's length is the one announced only if every byte passes as sent.
    const bool asSent = !m_inflater && !m_rewriter && lengthAsSent(m_head).has_value();
    if (!asSent) {
        dropped.append("content-length");
        m_chunked = m_asked.chunked;
    }
    m_raw.clear();
    m_decoded.clear();
    return DevicePreviewResponse::head(m_head, dropped, m_rules.headerReplacements, std::nullopt, m_chunked) +
           framed(std::move(first));
}

QByteArray DevicePreviewAnswer::transformed(QByteArrayView bytes)
{
    QByteArray out;
    if (m_inflater) {
        std::optional<QByteArray> decoded = m_inflater->feed(bytes);
        if (!decoded) {
            m_broken = true;
            return {};
        }
        out = std::move(*decoded);
    } else {
        out = bytes.toByteArray();
    }
    return m_rewriter ? m_rewriter->feed(out) : out;
}

QByteArray DevicePreviewAnswer::framed(QByteArray bytes) const
{
    return m_chunked ? HttpSyntax::chunk(bytes) : bytes;
}

} // namespace devnook
