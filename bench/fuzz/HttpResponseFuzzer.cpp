// libFuzzer harness for the proxy's response parser: whatever a dev server
// sends, the parser stays within the bytes it is given, always moves on, and
// reads the same answer however the bytes are cut into reads.
#include "core/preview/HttpProxyResponse.h"

#include <cstdint>
#include <cstdlib>

using namespace devnook;

namespace {

// Everything the parser made of the bytes, in a form that compares.
struct Outcome {
    QByteArray heads;
    QByteArray body;
    QByteArray ending;
    bool operator==(const Outcome &) const = default;
};

Outcome parsed(QByteArrayView bytes, qsizetype pieceSize, bool answersHead)
{
    HttpResponseParser parser(answersHead);
    Outcome outcome;
    QByteArray input;
    qsizetype position = 0;
    for (qsizetype offset = 0; offset < bytes.size(); offset += pieceSize) {
        input.remove(0, position);
        position = 0;
        input += bytes.sliced(offset, std::min(pieceSize, bytes.size() - offset));
        // Every event but NeedMore, End and Bad consumes a byte at least.
        bool needsMore = false;
        for (qsizetype events = 0; !needsMore && events <= input.size() + 2; ++events) {
            const QByteArrayView rest = QByteArrayView(input).sliced(position);
            qsizetype used = -1;
            const HttpResponseParser::Event event = parser.next(rest, used);
            if (used < 0 || used > rest.size())
                std::abort();
            position += used;
            if (std::holds_alternative<HttpResponseParser::NeedMore>(event)) {
                needsMore = true;
            } else if (const auto *head = std::get_if<HttpResponseParser::Head>(&event)) {
                outcome.heads += QByteArray::number(head->head.status) + ' ' + head->head.reason + '\n';
                for (const auto &[name, value] : head->head.headers)
                    outcome.heads += name + ':' + value + '\n';
            } else if (const auto *body = std::get_if<HttpResponseParser::Body>(&event)) {
                if (body->bytes.isEmpty() || body->bytes.data() < rest.data() ||
                    body->bytes.data() + body->bytes.size() > rest.data() + rest.size())
                    std::abort();
                outcome.body += body->bytes;
            } else if (const auto *end = std::get_if<HttpResponseParser::End>(&event)) {
                outcome.ending = end->reusable ? "end, reusable" : "end";
                return outcome;
            } else {
                outcome.ending = "bad";
                return outcome;
            }
        }
        if (!needsMore)
            std::abort(); // events that went nowhere
    }
    outcome.ending =
        std::holds_alternative<HttpResponseParser::End>(parser.closed()) ? "closed" : "cut short";
    return outcome;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    const bool answersHead = (data[0] & 1) != 0;
    const QByteArrayView bytes(reinterpret_cast<const char *>(data + 2), static_cast<qsizetype>(size - 2));
    const Outcome whole = parsed(bytes, std::max<qsizetype>(1, bytes.size()), answersHead);
    if (whole.body.size() > bytes.size())
        std::abort();
    if (parsed(bytes, 1 + data[1] % 64, answersHead) != whole)
        std::abort();
    if (bytes.size() < 4096 && parsed(bytes, 1, answersHead) != whole)
        std::abort();
    return 0;
}
