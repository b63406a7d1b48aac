// libFuzzer harness for the proxy's request parser and target resolution:
// whatever a LAN client sends, the parser stays within the bytes and limits,
// and a request never leaves the proxy's local origin.
#include "core/preview/DevicePreviewOrigins.h"
#include "core/preview/HttpProxyRequest.h"

#include <cstdint>
#include <cstdlib>

using namespace devnook;
using namespace Qt::StringLiterals;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const HttpRequestParser::Result result = HttpRequestParser::parse(bytes);
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
