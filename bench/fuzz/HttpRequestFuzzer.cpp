// libFuzzer harness for the proxy's request parser and target resolution:
// whatever a LAN client sends, the parser stays within the bytes and limits,
// reads the same request however the bytes are cut into reads, and a request
// never leaves the proxy's local origin.
#include "core/preview/DevicePreviewOrigins.h"
#include "core/preview/HttpProxyRequest.h"

#include <cstdint>
#include <cstdlib>

using namespace devnook;
using namespace Qt::StringLiterals;

namespace {

// The result of feeding the bytes in pieces of pieceSize, up to the first one
// that decides.
HttpRequestParser::Result parsedInPieces(QByteArrayView bytes, qsizetype pieceSize)
{
    HttpRequestParser parser;
    HttpRequestParser::Result result = HttpRequestParser::Incomplete{};
    for (qsizetype offset = 0; offset < bytes.size(); offset += pieceSize) {
        result = parser.feed(bytes.sliced(offset, std::min(pieceSize, bytes.size() - offset)));
        if (!std::holds_alternative<HttpRequestParser::Incomplete>(result)) {
            // What the device sent after the deciding piece follows the request.
            if (auto *request = std::get_if<HttpProxyRequest>(&result))
                request->trailingData += bytes.sliced(std::min(offset + pieceSize, bytes.size()));
            return result;
        }
    }
    return result;
}

// The same request, or both not one: a head both too long and malformed may be
// refused for either, depending on where the reads end.
bool agree(const HttpRequestParser::Result &a, const HttpRequestParser::Result &b)
{
    return a.index() == b.index() && (!std::holds_alternative<HttpProxyRequest>(a) || a == b);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const HttpRequestParser::Result result = HttpRequestParser::parse(bytes);
    if (!bytes.isEmpty() &&
        !agree(parsedInPieces(bytes, 1 + static_cast<unsigned char>(bytes.back()) % 97), result))
        std::abort();
    if (bytes.size() < 4096 && !agree(parsedInPieces(bytes, 1), result))
        std::abort();
    const auto *request = std::get_if<HttpProxyRequest>(&result);
    if (!request)
        return 0;
    if (request->body.size() > HttpRequestParser::kMaxBodyBytes ||
        request->trailingData.size() > bytes.size() || !bytes.endsWith(request->trailingData))
        std::abort();
    static const QUrl local(u"http://127.0.0.1:3000/app"_s);
    if (const std::optional<QUrl> destination = DevicePreviewOrigins::destinationURL(request->path, local)) {
        if (destination->host() != u"127.0.0.1" || destination->port() != 3000 ||
            destination->scheme() != u"http")
            std::abort();
    }
    (void)request->isWebSocketUpgrade();
    (void)request->forwardedWebSocketRequest(u"localhost"_s, 3000);
    return 0;
}
