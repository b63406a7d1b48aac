#include "core/preview/HttpProxyRequest.h"

#include <QTest>

using namespace devnook;
using namespace Qt::StringLiterals;

namespace {

using Parser = HttpRequestParser::Result;

QByteArray outcome(const Parser &result)
{
    if (std::holds_alternative<HttpRequestParser::Incomplete>(result))
        return "incomplete";
    if (const auto *bad = std::get_if<HttpRequestParser::BadRequest>(&result))
        return QByteArray::number(bad->status);
    const auto &request = std::get<HttpProxyRequest>(result);
    return "request body=" + request.body + " trailing=" + request.trailingData;
}

} // namespace

class HttpRequestParserTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void completeRequestsAtEverySplit_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("trailing");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("no body") << "GET / HTTP/1.1\r\nHost: a\r\n\r\n"_ba << 0
                                 << "request body= trailing="_ba;
        QTest::newRow("length with trailing bytes")
            << "POST /x HTTP/1.1\r\nContent-Length: 5\r\n\r\nhelloabc"_ba << 3
            << "request body=hello trailing=abc"_ba;
        QTest::newRow("chunked with extension and trailer")
            << "POST / HTTP/1.1\r\nTransfer-Encoding: Chunked\r\n\r\n5;x=y\r\nhello\r\nB\r\n 0123456789\r\n0\r\nT: v\r\n\r\nnext"_ba
            << 4 << "request body=hello 0123456789 trailing=next"_ba;
        QTest::newRow("chunked, no trailer")
            << "POST / HTTP/1.1\r\ntransfer-encoding: chunked\r\n\r\n3\r\nabc\r\n0\r\n\r\n"_ba << 0
            << "request body=abc trailing="_ba;
    }

    // Every shorter prefix is incomplete: a head or a body cut anywhere, inside
    // CR LF CR LF or a chunk-size line too, waits for the rest.
    void completeRequestsAtEverySplit()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, trailing);
        QFETCH(QByteArray, expected);
        QCOMPARE(outcome(HttpRequestParser::parse(bytes)), expected);
        for (qsizetype cut = 0; cut < bytes.size() - trailing; ++cut)
            QCOMPARE(outcome(HttpRequestParser::parse(bytes.first(cut))), "incomplete"_ba);
    }

    void readsCutAnywhere_data() { completeRequestsAtEverySplit_data(); }

    // Fed in two reads cut anywhere, the parser reads what it reads whole; the
    // head is known complete once its last byte is in, the body still coming.
    void readsCutAnywhere()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, expected);
        const qsizetype headEnd = bytes.indexOf("\r\n\r\n") + 4;
        for (qsizetype cut = 1; cut < bytes.size(); ++cut) {
            HttpRequestParser parser;
            const QByteArray first = outcome(parser.feed(QByteArrayView(bytes).first(cut)));
            QCOMPARE(parser.headComplete(), cut >= headEnd);
            if (first != "incomplete")
                continue; // decided before the cut: only trailing bytes were left
            QCOMPARE(outcome(parser.feed(QByteArrayView(bytes).sliced(cut))), expected);
        }
    }

    void heads_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("expected");
        const QList<std::pair<const char *, QByteArray>> malformed = {
            {"LF line ends, at once", "GET / HTTP/1.1\nHost: a\n"_ba},
            {"bare CR in a value", "GET / HTTP/1.1\r\nX: a\rb\r\n\r\n"_ba},
            {"space before the colon", "GET / HTTP/1.1\r\nHost : a\r\n\r\n"_ba},
            {"folded line", "GET / HTTP/1.1\r\nX: a\r\n b\r\n\r\n"_ba},
            {"line without a colon", "GET / HTTP/1.1\r\nnonsense\r\n\r\n"_ba},
            {"name not a token", "GET / HTTP/1.1\r\nX(y): a\r\n\r\n"_ba},
            {"NUL in a value", "GET / HTTP/1.1\r\nX: a\0b\r\n\r\n"_ba},
            {"one token", "GET\r\n\r\n"_ba},
            {"not UTF-8", "GET /\xff HTTP/1.1\r\n\r\n"_ba},
            {"bare CR ending the last line", "GET / HTTP/1.1\r\nX: a\r\r\n\r\n"_ba},
            {"two lengths", "POST / HTTP/1.1\r\nContent-Length: 1\r\ncontent-length: 1\r\n\r\nx"_ba},
            {"length list", "POST / HTTP/1.1\r\nContent-Length: 1, 1\r\n\r\nx"_ba},
            {"length not a number", "POST / HTTP/1.1\r\nContent-Length: abc\r\n\r\n"_ba},
            {"negative length", "POST / HTTP/1.1\r\nContent-Length: -1\r\n\r\n"_ba},
            {"huge length", "POST / HTTP/1.1\r\nContent-Length: 99999999999999999999\r\n\r\n"_ba},
            {"length and chunked",
             "POST / HTTP/1.1\r\nContent-Length: 3\r\nTransfer-Encoding: chunked\r\n\r\n0\r\n\r\n"_ba},
            {"chunk size not hex", "POST / HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n"_ba},
            {"chunk without its CR LF",
             "POST / HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabcd\r\n0\r\n\r\n"_ba},
        };
        for (const auto &[name, bytes] : malformed)
            QTest::newRow(name) << bytes << "400"_ba;
        QTest::newRow("unknown coding") << "POST / HTTP/1.1\r\nTransfer-Encoding: gzip\r\n\r\n"_ba
                                        << "501"_ba;
        QTest::newRow("chunk over the body limit")
            << "POST / HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n4000001\r\n"_ba
            << "413"_ba;
        QTest::newRow("length over the body limit")
            << "POST / HTTP/1.1\r\nContent-Length: 67108865\r\n\r\n"_ba
            << "413"_ba;
        const QByteArray headerLines =
            "GET / HTTP/1.1\r\n" + QByteArray("X: y\r\n").repeated(HttpRequestParser::kMaxHeaderLines);
        QTest::newRow("header lines at the limit") << headerLines + "\r\n"
                                                   << "request body= trailing="_ba;
        QTest::newRow("a header line too many") << headerLines + "Y: z\r\n\r\n"
                                                << "431"_ba;
        QTest::newRow("length at the body limit") << "POST / HTTP/1.1\r\nContent-Length: 67108864\r\n\r\n"_ba
                                                  << "incomplete"_ba;
    }

    void heads()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, expected);
        QCOMPARE(outcome(HttpRequestParser::parse(bytes)), expected);
    }

    // The bound holds for the whole body, however it is cut into chunks.
    void chunkedBodyLimit_data()
    {
        QTest::addColumn<QByteArray>("lastChunk");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("at the limit") << "1\r\nx\r\n0\r\n\r\n"_ba
                                      << "request"_ba;
        QTest::newRow("one byte over") << "2\r\n"_ba
                                       << "413"_ba;
    }

    void chunkedBodyLimit()
    {
        QFETCH(QByteArray, lastChunk);
        QFETCH(QByteArray, expected);
        const qsizetype first = HttpRequestParser::kMaxBodyBytes - 1;
        HttpRequestParser parser;
        parser.feed(QByteArray("POST / HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n" +
                               QByteArray::number(first, 16) + "\r\n"));
        QCOMPARE(outcome(parser.feed(QByteArray(first, 'x'))), "incomplete"_ba);
        QCOMPARE(outcome(parser.feed("\r\n")), "incomplete"_ba);
        const HttpRequestParser::Result result = parser.feed(lastChunk);
        const auto *request = std::get_if<HttpProxyRequest>(&result);
        QCOMPARE(request ? "request"_ba : outcome(result), expected);
        if (request)
            QCOMPARE(request->body.size(), HttpRequestParser::kMaxBodyBytes);
    }

    void parsedFields()
    {
        const auto result = HttpRequestParser::parse(
            "get  /a%20b?q=1   HTTP/1.1 extra\r\nX-A:  one \t\r\nUPGRADE: WebSocket\r\n"
            "X-A: two\r\nx-a: other\r\nEmpty:\r\n\r\n"_ba);
        const auto &request = std::get<HttpProxyRequest>(result);
        QCOMPARE(request.method, u"get"_s);
        QCOMPARE(request.path, u"/a%20b?q=1"_s);
        QCOMPARE(request.protocol, u"HTTP/1.1"_s);
        QVERIFY(request.acceptsChunked());
        const QList<QPair<QString, QString>> headers = {{u"X-A"_s, u"two"_s},
                                                        {u"UPGRADE"_s, u"WebSocket"_s},
                                                        {u"x-a"_s, u"other"_s},
                                                        {u"Empty"_s, u""_s}};
        QCOMPARE(request.headers, headers);
        QVERIFY(request.isWebSocketUpgrade());
        const auto listed = std::get<HttpProxyRequest>(
            HttpRequestParser::parse("GET / HTTP/1.1\r\nUpgrade: websocket, h2c\r\n\r\n"_ba));
        QVERIFY(!listed.isWebSocketUpgrade());
    }

    void framings_data()
    {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<int>("framing");
        QTest::addColumn<qint64>("length");
        QTest::newRow("none") << "GET / HTTP/1.0\r\n\r\n"_ba << int(HttpRequestParser::Framing::none) << 0ll;
        QTest::newRow("length") << "PUT / HTTP/1.1\r\ncontent-length: 12\r\n\r\n"_ba
                                << int(HttpRequestParser::Framing::length) << 12ll;
        QTest::newRow("empty length") << "PUT / HTTP/1.1\r\nContent-Length: 0\r\n\r\n"_ba
                                      << int(HttpRequestParser::Framing::length) << 0ll;
        QTest::newRow("chunked") << "PUT / HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n"_ba
                                 << int(HttpRequestParser::Framing::chunked) << 0ll;
    }

    // Read as a stream, the head comes first with the body's framing, and the
    // body is left to come in pieces.
    void framings()
    {
        QFETCH(QByteArray, head);
        QFETCH(int, framing);
        QFETCH(qint64, length);
        HttpRequestParser parser;
        qsizetype used = 0;
        HttpRequestParser::Event event = parser.next(QByteArray(head + "body"), used);
        const auto *read = std::get_if<HttpRequestParser::Head>(&event);
        QVERIFY(read);
        QCOMPARE(used, head.size());
        QCOMPARE(int(read->framing), framing);
        QCOMPARE(read->contentLength, length);
        QVERIFY(read->request.body.isEmpty());
    }

    void limitsAreKnownEarly()
    {
        const QByteArray start = "GET / HTTP/1.1\r\nX: "_ba;
        const QByteArray fits = start + QByteArray(HttpRequestParser::kMaxHeadBytes - start.size() - 4, 'a');
        QCOMPARE(outcome(HttpRequestParser::parse(fits)), "incomplete"_ba);
        QCOMPARE(outcome(HttpRequestParser::parse(QByteArray(fits + "\r\n\r\n"))),
                 "request body= trailing="_ba);
        // No end of head in sight: refused once the limit has passed, not later.
        QCOMPARE(outcome(HttpRequestParser::parse(QByteArray(fits + "aaaaa"))), "431"_ba);
    }

    // A head with a Host is replayed byte for byte through a real tunnel in DevicePreviewTunnelTest.
    void aForwardedWebSocketRequestWithoutAHostGetsOne()
    {
        const auto request = std::get<HttpProxyRequest>(HttpRequestParser::parse(
            "GET /ws HTTP/1.1\r\nUpgrade: websocket\r\nContent-Length: 2\r\n\r\nxyFRAME"_ba));
        QCOMPARE(request.forwardedWebSocketRequest(u"localhost"_s, 80),
                 "GET /ws HTTP/1.1\r\nUpgrade: websocket\r\nHost: localhost:80\r\n\r\nFRAME"_ba);
    }
};

QTEST_GUILESS_MAIN(HttpRequestParserTest)
#include "HttpRequestParserTest.moc"
