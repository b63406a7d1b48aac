#include "HttpProxyResponse.h"

#include "HttpSyntax.h"

namespace devnook {

namespace {

bool named(QByteArrayView name, QByteArrayView expected)
{
    return name.compare(expected, Qt::CaseInsensitive) == 0;
}

// The comma-separated elements of a header value, without blanks; empty
// elements are dropped.
QList<QByteArrayView> listElements(QByteArrayView value)
{
    QList<QByteArrayView> elements;
    while (!value.isEmpty()) {
        const qsizetype comma = value.indexOf(',');
        const QByteArrayView element = HttpSyntax::withoutBlanks(comma < 0 ? value : value.first(comma));
        if (!element.isEmpty())
            elements.append(element);
        value = comma < 0 ? QByteArrayView() : value.sliced(comma + 1);
    }
    return elements;
}

// "HTTP/1.x", then the three-digit status, then the reason after one space.
// Returns the minor version, or -1 when the line is not a status line.
int parsedStatusLine(QByteArrayView line, HttpResponseHead &head)
{
    if (line.size() < 12 || !line.startsWith("HTTP/1.") || line[7] < '0' || line[7] > '9' || line[8] != ' ')
        return -1;
    const std::optional<qint64> status = HttpSyntax::parsedDigits(line.sliced(9, 3), 10, 3);
    if (!status || *status < 100 || (line.size() > 12 && line[12] != ' '))
        return -1;
    head.status = static_cast<int>(*status);
    head.reason = line.size() > 13 ? line.sliced(13).toByteArray() : QByteArray();
    return line[7] - '0';
}

// Header bytes that could end a line or cut a value on the device's side.
bool hasControlBreak(QByteArrayView text)
{
    return text.contains('\r') || text.contains('\0');
}

} // namespace

QByteArray HttpResponseHead::header(QByteArrayView name) const
{
    for (const auto &[key, value] : headers) {
        if (named(key, name))
            return value;
    }
    return {};
}

QList<QByteArrayView> HttpResponseHead::tokens(QByteArrayView name) const
{
    QList<QByteArrayView> found;
    for (const auto &[key, value] : headers) {
        if (named(key, name))
            found += listElements(value);
    }
    return found;
}

bool HttpResponseHead::hasToken(QByteArrayView name, QByteArrayView token) const
{
    const QList<QByteArrayView> listed = tokens(name);
    return std::any_of(listed.begin(), listed.end(), [token](QByteArrayView t) { return named(t, token); });
}

HttpResponseParser::HttpResponseParser(bool answersHead) : m_answersHead(answersHead) {}

qsizetype HttpResponseParser::headEnd(QByteArrayView input)
{
    // An empty line: LF, then an optional CR, then LF. The search resumes
    // where it stopped, a little before so a split line end is seen.
    for (qsizetype i = input.indexOf('\n', std::max<qsizetype>(0, m_scanned - 2)); i >= 0;
         i = input.indexOf('\n', i + 1)) {
        if (i + 1 < input.size() && input[i + 1] == '\n')
            return i + 2;
        if (i + 2 < input.size() && input[i + 1] == '\r' && input[i + 2] == '\n')
            return i + 3;
    }
    m_scanned = input.size();
    return -1;
}

HttpResponseParser::Event HttpResponseParser::parsedHead(QByteArrayView bytes)
{
    HttpResponseHead head;
    int minorVersion = -1;
    qsizetype lineCount = 0;
    // The last line is the empty one that ends the head.
    for (qsizetype start = 0; start < bytes.size();) {
        const qsizetype end = bytes.indexOf('\n', start);
        QByteArrayView line = bytes.sliced(start, end - start);
        start = end + 1;
        if (line.endsWith('\r'))
            line.chop(1);
        if (lineCount++ == 0) {
            minorVersion = parsedStatusLine(line, head);
            if (minorVersion < 0 || hasControlBreak(head.reason))
                return Bad{};
            continue;
        }
        if (line.isEmpty())
            break;
        if (lineCount > kMaxHeaderLines || hasControlBreak(line))
            return Bad{};
        // A folded line continues the value above it.
        if (line.front() == ' ' || line.front() == '\t') {
            if (head.headers.isEmpty())
                return Bad{};
            QByteArray &value = head.headers.last().second;
            value += ' ' + HttpSyntax::withoutBlanks(line).toByteArray();
            continue;
        }
        const qsizetype colon = line.indexOf(':');
        if (colon < 0 || !HttpSyntax::isToken(line.first(colon)))
            return Bad{};
        head.headers.append({line.first(colon).toByteArray(),
                             HttpSyntax::withoutBlanks(line.sliced(colon + 1)).toByteArray()});
    }

    if (head.status < 200 && head.status != 101) {
        if (++m_interimAnswers > kMaxInterimAnswers)
            return Bad{};
        return NeedMore{};
    }
    m_reusable =
        minorVersion >= 1 ? !head.hasToken("connection", "close") : head.hasToken("connection", "keep-alive");

    QList<QByteArrayView> codings;
    std::optional<qint64> length;
    bool hasLength = false;
    for (const auto &[name, value] : head.headers) {
        if (named(name, "transfer-encoding")) {
            codings += listElements(value);
        } else if (named(name, "content-length")) {
            // Repeated lengths must agree, or the body's end is anyone's guess.
            const QList<QByteArrayView> elements = listElements(value);
            if (elements.isEmpty())
                return Bad{};
            for (const QByteArrayView element : elements) {
                const std::optional<qint64> parsed = HttpSyntax::parsedDigits(element, 10, 18);
                if (!parsed || (hasLength && parsed != length))
                    return Bad{};
                length = parsed;
                hasLength = true;
            }
        }
    }
    if (m_answersHead || head.status == 101 || head.status == 204 || head.status == 304) {
        m_state = State::noBody;
        m_reusable = m_reusable && head.status != 101;
    } else if (!codings.isEmpty()) {
        // Only chunked is a transfer coding the proxy can take off.
        if (codings.size() != 1 || !named(codings.first(), "chunked"))
            return Bad{};
        m_state = State::chunked;
        // A length beside the coding is a message that was tampered with.
        m_reusable = m_reusable && !hasLength;
    } else if (length) {
        m_state = State::length;
        m_remaining = *length;
    } else {
        m_state = State::toClose;
        m_reusable = false;
    }
    return Head{std::move(head)};
}

HttpResponseParser::Event HttpResponseParser::next(QByteArrayView input, qsizetype &consumed)
{
    consumed = 0;
    while (true) {
        const QByteArrayView rest = input.sliced(consumed);
        switch (m_state) {
        case State::head: {
            const qsizetype end = headEnd(rest);
            if (end < 0)
                return rest.size() > kMaxHeadBytes ? Event(Bad{}) : Event(NeedMore{});
            if (end > kMaxHeadBytes)
                return Bad{};
            Event event = parsedHead(rest.first(end));
            if (std::holds_alternative<Bad>(event))
                return event;
            consumed += end;
            m_scanned = 0;
            if (std::holds_alternative<Head>(event))
                return event;
            break; // an interim answer: the final head follows
        }
        case State::noBody:
            m_state = State::done;
            return End{m_reusable};
        case State::length: {
            if (m_remaining == 0) {
                m_state = State::done;
                return End{m_reusable};
            }
            if (rest.isEmpty())
                return NeedMore{};
            const qsizetype taken = static_cast<qsizetype>(std::min<qint64>(m_remaining, rest.size()));
            m_remaining -= taken;
            consumed += taken;
            return Body{rest.first(taken)};
        }
        case State::chunked: {
            qsizetype used = 0;
            const HttpChunkedDecoder::Event event = m_chunks.next(rest, used);
            consumed += used;
            if (const auto *data = std::get_if<HttpChunkedDecoder::Data>(&event))
                return Body{data->bytes};
            if (std::holds_alternative<HttpChunkedDecoder::NeedMore>(event))
                return NeedMore{};
            if (std::holds_alternative<HttpChunkedDecoder::Bad>(event))
                return Bad{};
            m_state = State::done;
            return End{m_reusable};
        }
        case State::toClose:
            if (rest.isEmpty())
                return NeedMore{};
            consumed += rest.size();
            return Body{rest};
        case State::done:
            return End{m_reusable};
        }
    }
}

HttpResponseParser::Event HttpResponseParser::closed() const
{
    if (m_state == State::toClose || m_state == State::done)
        return End{};
    return Bad{};
}

} // namespace devnook
