// The dev-server stand-in of LoopbackHttpServer: answers by path, the way
// dev servers answer pages, redirects, cookies, encodings and streams.
#include "LoopbackHttpServer.h"

#include <QCryptographicHash>
#include <QTcpSocket>
#include <QTimer>
#include <zlib.h>

namespace devnook::test {

namespace {

QByteArray message(const QByteArray &status, const QByteArray &headers, const QByteArray &body)
{
    return "HTTP/1.1 " + status + "\r\n" + headers + "Content-Length: " + QByteArray::number(body.size()) +
           "\r\n\r\n" + body;
}

} // namespace

void LoopbackHttpServer::answerDevServer(QTcpSocket *socket, const Request &request)
{
    const QByteArray origin = this->origin().toUtf8();
    const QByteArray path = request.target.split('?').value(0);
    const QByteArray page = "<html><a href=\"" + origin + "/about\">About</a><script>const api = \"" +
                            QByteArray(origin).replace("/", "\\/") + "\\/api\";</script></html>";
    if (path == "/page") {
        socket->write(message("200 OK", "Content-Type: text/html\r\n", page));
    } else if (path == "/redirect") {
        socket->write(message("302 Found", "Location: " + origin + "/page\r\n", {}));
    } else if (path == "/cookies") {
        socket->write(message("200 OK",
                              "Set-Cookie: a=1; Domain=127.0.0.1; Secure; SameSite=None\r\n"
                              "set-cookie: b=2; Path=/; HttpOnly\r\n",
                              "ok"));
    } else if (path == "/gzip" || path == "/deflate") {
        const QByteArray body = path == "/gzip" ? gzipped(page) : qCompress(page).sliced(4);
        socket->write(
            message("200 OK", "Content-Encoding: " + path.mid(1) + "\r\nContent-Type: text/html\r\n", body));
    } else if (path == "/bad-gzip") {
        socket->write(message("200 OK", "Content-Encoding: gzip\r\n", "not gzip at all"));
    } else if (path == "/chunked") {
        socket->write("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\n" + origin.first(5) +
                      "\r\n" + QByteArray::number(origin.size() - 5, 16) + "\r\n" + origin.sliced(5) +
                      "\r\n0\r\n\r\n");
    } else if (path == "/events") {
        // A stream that never ends: one event now, one a moment later.
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/event-stream\r\n\r\ndata: " + origin + "\n\n");
        QTimer::singleShot(50, socket, [socket] { socket->write("data: second\n\n"); });
    } else if (path.startsWith("/events/")) {
        // /events/<ms>: a stream that never ends, an event every <ms> ms.
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/event-stream\r\n\r\n");
        auto *ticks = new QTimer(socket);
        connect(ticks, &QTimer::timeout, socket, [socket] { socket->write("data: tick\n\n"); });
        ticks->start(path.sliced(8).toInt());
    } else if (path == "/missing" || path == "/fail") {
        socket->write(
            message(path == "/missing" ? "404 Not Found" : "500 Internal Server Error", {}, origin));
    } else if (path == "/binary") {
        socket->write(message("200 OK", "Content-Type: text/plain\r\n", "\xff\xfe" + origin));
    } else if (path == "/big") {
        socket->write(message("200 OK", "Content-Type: text/html\r\n", origin + QByteArray(4096, 'x')));
    } else if (path == "/odd-proxy-error") {
        socket->write(message("502 Bad Gateway", "X-Devnook-Proxy-Error: something-else\r\n", {}));
    } else if (path == "/echo") {
        socket->write(message("200 OK", "Content-Type: text/plain\r\n", request.head + request.body));
    } else if (path.startsWith("/status/")) {
        answerStatus(socket, path.sliced(8).toInt());
    } else if (path == "/keep-alive") {
        socket->write(
            message("200 OK", "Connection: keep-alive\r\nKeep-Alive: timeout=5, max=100\r\n", "ok"));
    } else if (path.startsWith("/large/")) {
        socket->write(
            message("200 OK", "Content-Type: text/html\r\n", largePage(origin, path.sliced(7).toLongLong())));
    } else if (path == "/once") {
        // A dev server that closed a kept-alive connection just as the next request came.
        const int served = socket->property("served").toInt();
        socket->setProperty("served", served + 1);
        if (served > 0)
            socket->abort();
        else
            socket->write(message("200 OK", {}, "once"));
    } else if (path == "/app") {
        socket->write(message("200 OK", "Content-Type: text/html\r\n",
                              "<html><script type=\"module\" src=\"" + origin + "/@vite/client\"></script>" +
                                  "<a href=\"" + origin + "/about\">About</a></html>"));
    } else if (path == "/@vite/client") {
        // The live-reload socket is opened where the page came from, as dev servers do.
        socket->write(
            message("200 OK", "Content-Type: text/javascript\r\n",
                    "const base = \"" + origin + "\";\nnew WebSocket(`ws://${location.host}/hmr`);\n"));
    } else if (path == "/upload") {
        // What arrived, told briefly: an upload is not sent back whole.
        socket->write(
            message("200 OK", "Content-Type: text/plain\r\n",
                    QByteArray::number(request.body.size()) + ' ' +
                        QCryptographicHash::hash(request.body, QCryptographicHash::Sha256).toHex()));
    } else if (path == "/trickle") {
        // The start of an answer, then silence.
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 1000\r\n\r\n" +
                      origin.first(10));
    } else if (path.startsWith("/pause/")) {
        // /pause/<bytes>/<ms>: half of an answer, then silence for that long before the other half.
        const QList<QByteArray> parts = path.sliced(7).split('/');
        const QByteArray half(parts.value(0).toLongLong(), 'x');
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: " +
                      QByteArray::number(2 * half.size()) + "\r\n\r\n" + half);
        QTimer::singleShot(parts.value(1).toInt(), socket, [socket, half] { socket->write(half); });
    } else if (path == "/extra") {
        // More bytes than the length says: the connection cannot be trusted with another answer.
        socket->write("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nokHTTP/1.1 200 OK\r\n\r\n");
    } else if (path == "/cut-after-first") {
        // A kept-alive connection that breaks off in the middle of its second answer.
        const int served = socket->property("served").toInt();
        socket->setProperty("served", served + 1);
        if (served == 0) {
            socket->write(message("200 OK", {}, "first"));
        } else {
            socket->write("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nsecond, cut");
            socket->flush();
            socket->disconnectFromHost();
        }
    } // "/slow" and anything else: no answer
}

void LoopbackHttpServer::answerStatus(QTcpSocket *socket, int status)
{
    const QByteArray code = QByteArray::number(status);
    if (status >= 100 && status < 200 && status != 101) {
        // An interim answer, then the final one.
        socket->write("HTTP/1.1 " + code + " Interim\r\n\r\n" + message("200 OK", {}, "after " + code));
    } else if (status == 101 || status == 204 || status == 304) {
        socket->write("HTTP/1.1 " + code + " Reason " + code + "\r\nX-Status: " + code + "\r\n\r\n");
    } else {
        socket->write(message(code + " Reason " + code, "X-Status: " + code + "\r\n", "body " + code));
    }
}

QByteArray LoopbackHttpServer::gzipped(const QByteArray &data)
{
    z_stream stream{};
    deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    QByteArray out(static_cast<qsizetype>(deflateBound(&stream, static_cast<uLong>(data.size()))), '\0');
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef *>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.truncate(static_cast<qsizetype>(stream.total_out));
    deflateEnd(&stream);
    return out;
}

QByteArray LoopbackHttpServer::largePage(const QByteArray &origin, qsizetype bytes)
{
    // Made once: a dev server that takes long to make a page would be timed out.
    static QHash<QPair<QByteArray, qsizetype>, QByteArray> made;
    if (const auto found = made.constFind({origin, bytes}); found != made.cend())
        return *found;
    QByteArray &page = made[{origin, bytes}];
    page.reserve(bytes + 64);
    for (int i = 0; page.size() < bytes; ++i)
        page +=
            "<a href=\"" + origin + "/p/" + QByteArray::number(i) + "\">" + QByteArray::number(i) + "</a>\n";
    page.truncate(bytes);
    return page;
}

} // namespace devnook::test
