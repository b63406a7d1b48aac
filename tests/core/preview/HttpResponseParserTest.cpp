#include "core/preview/HttpProxyResponse.h"

#include <QTest>

using namespace devnook;
using namespace Qt::StringLiterals;

namespace {

// What the parser made of the bytes fed in pieces of pieceSize: the final
// head, the body and how the answer ended ("waiting" when it wants more).
// closed: the dev server closes the connection after the last byte.
QByteArray outcome(QByteArrayView bytes, qsizetype pieceSize, bool answersHead, bool closed)
{
    HttpResponseParser parser(answersHead);
    QByteArray text;
    QByteArray body;
    QByteArray input;
    qsizetype position = 0;
    const auto ending = [&](const HttpResponseParser::Event &event) -> QByteArray {
        if (const auto *end = std::get_if<HttpResponseParser::End>(&event))
            return end->reusable ? "end, reusable" : "end";
        return "bad";
    };
    for (qsizetype offset = 0; offset < bytes.size(); offset += pieceSize) {
        input.remove(0, position);
        position = 0;
        input += bytes.sliced(offset, std::min(pieceSize, bytes.size() - offset));
        while (true) {
            qsizetype used = 0;
            const HttpResponseParser::Event event = parser.next(QByteArrayView(input).sliced(position), used);
            position += used;
            if (std::holds_alternative<HttpResponseParser::NeedMore>(event))
                break;
            if (const auto *head = std::get_if<HttpResponseParser::Head>(&event)) {
                text += QByteArray::number(head->head.status) + " [" + head->head.reason + "]";
                for (const auto &[name, value] : head->head.headers)
                    text += ' ' + name + '=' + value;
            } else if (const auto *piece = std::get_if<HttpResponseParser::Body>(&event)) {
                body += piece->bytes;
            } else {
                return text + " body=" + body + ' ' + ending(event);
            }
        }
    }
    return text + " body=" + body + ' ' + (closed ? ending(parser.closed()) : "waiting"_ba);
}

} // namespace

class HttpResponseParserTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void answersAtEverySplit_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("answersHead");
        QTest::addColumn<bool>("closed");
        QTest::addColumn<QByteArray>("expected");
        const auto row = [](const char *name, const QByteArray &bytes, const QByteArray &expected,
                            bool closed = false, bool answersHead = false) {
            QTest::newRow(name) << bytes << answersHead << closed << expected;
        };
        row("length", "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello",
            "200 [OK] Content-Length=5 body=hello end, reusable");
        row("connection close",
            "HTTP/1.1 200 OK\r\nConnection: Keep-Alive, Close\r\nContent-Length: 0\r\n\r\n",
            "200 [OK] Connection=Keep-Alive, Close Content-Length=0 body= end");
        row("HTTP/1.0 closes", "HTTP/1.0 200 OK\r\nContent-Length: 1\r\n\r\nx",
            "200 [OK] Content-Length=1 body=x end");
        row("HTTP/1.0 kept alive", "HTTP/1.0 200 OK\r\nConnection: keep-alive\r\nContent-Length: 1\r\n\r\nx",
            "200 [OK] Connection=keep-alive Content-Length=1 body=x end, reusable");
        row("chunked with extension and trailer",
            "HTTP/1.1 200 OK\r\nTransfer-Encoding: Chunked\r\n\r\n5;x=y\r\nhello\r\nB\r\n "
            "0123456789\r\n0\r\nT: v\r\n\r\n",
            "200 [OK] Transfer-Encoding=Chunked body=hello 0123456789 end, reusable");
        row("chunked with bare LF", "HTTP/1.1 200 OK\nTransfer-Encoding: chunked\n\n3\nabc\n0\n\n",
            "200 [OK] Transfer-Encoding=chunked body=abc end, reusable");
        row("length beside chunked: chunked, not kept",
            "HTTP/1.1 200 OK\r\nContent-Length: 99\r\nTransfer-Encoding: chunked\r\n\r\n1\r\nx\r\n0\r\n\r\n",
            "200 [OK] Content-Length=99 Transfer-Encoding=chunked body=x end");
        row("read to the close", "HTTP/1.1 200 OK\r\n\r\nuntil the end", "200 [OK] body=until the end end",
            true);
        row("read to the close, still open", "HTTP/1.1 200 OK\r\n\r\nmore", "200 [OK] body=more waiting");
        row("interim answers skipped",
            "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 103 Early Hints\r\nLink: </a.css>\r\n\r\n"
            "HTTP/1.1 201 Created\r\nContent-Length: 2\r\n\r\nok",
            "201 [Created] Content-Length=2 body=ok end, reusable");
        row("HEAD has no body", "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n",
            "200 [OK] Content-Length=100 body= end, reusable", false, true);
        row("204 has no body", "HTTP/1.1 204 No Content\r\n\r\n", "204 [No Content] body= end, reusable");
        row("304 has no body", "HTTP/1.1 304 Not Modified\r\nContent-Length: 10\r\n\r\n",
            "304 [Not Modified] Content-Length=10 body= end, reusable");
        row("101 ends the HTTP", "HTTP/1.1 101 Switching Protocols\r\nUpgrade: h2c\r\n\r\n",
            "101 [Switching Protocols] Upgrade=h2c body= end");
        row("bare LF, folded line, repeated cookies",
            "HTTP/1.1 200 OK\nX-A: one\n \ttwo\nSet-Cookie: a=1\nSet-Cookie: b=2\nContent-Length: 1\n\nx",
            "200 [OK] X-A=one two Set-Cookie=a=1 Set-Cookie=b=2 Content-Length=1 body=x end, reusable");
        row("empty reason", "HTTP/1.1 299 \r\nContent-Length: 0\r\n\r\n",
            "299 [] Content-Length=0 body= end, reusable");
        row("no reason", "HTTP/1.1 418\r\nContent-Length: 0\r\n\r\n",
            "418 [] Content-Length=0 body= end, reusable");
        row("lengths that agree", "HTTP/1.1 200 OK\r\nContent-Length: 2, 2\r\ncontent-length: 2\r\n\r\nab",
            "200 [OK] Content-Length=2, 2 content-length=2 body=ab end, reusable");

        const QList<std::pair<const char *, QByteArray>> badHeads = {
            {"lengths that differ", "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nContent-Length: 3\r\n\r\nabc"},
            {"length not a number", "HTTP/1.1 200 OK\r\nContent-Length: -2\r\n\r\n"},
            {"unknown transfer coding", "HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip\r\n\r\n"},
            {"coding under chunked", "HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip, chunked\r\n\r\n"},
            {"not HTTP", "ICY 200 OK\r\n\r\n"},
            {"two-digit status", "HTTP/1.1 20 OK\r\n\r\n"},
            {"status below 100", "HTTP/1.1 099 Low\r\n\r\n"},
            {"HTTP/2 status line", "HTTP/2 200 OK\r\n\r\n"},
            {"bare CR in a value", "HTTP/1.1 200 OK\r\nX: a\rb\r\n\r\n"},
            {"NUL in a value", "HTTP/1.1 200 OK\r\nX: a\0b\r\n\r\n"_ba},
            {"space before the colon", "HTTP/1.1 200 OK\r\nX : a\r\n\r\n"},
            {"fold without a header", "HTTP/1.1 200 OK\r\n x\r\n\r\n"},
            {"endless interim answers", QByteArray("HTTP/1.1 100 Continue\r\n\r\n").repeated(17)},
            {"too many header lines", "HTTP/1.1 200 OK\r\n" + QByteArray("X: y\r\n").repeated(256) + "\r\n"},
            {"head too long", "HTTP/1.1 200 OK\r\nX: " + QByteArray(64 * 1024, 'a')},
        };
        for (const auto &[name, bytes] : badHeads)
            row(name, bytes, " body= bad");
        const QByteArray chunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
        row("chunk size not hex", chunked + "zz\r\n", "200 [OK] Transfer-Encoding=chunked body= bad");
        row("chunk without its line end", chunked + "1\r\nxy",
            "200 [OK] Transfer-Encoding=chunked body=x bad");
        row("chunked cut short", chunked + "1\r\nx\r\n", "200 [OK] Transfer-Encoding=chunked body=x bad",
            true);
        row("cut short", "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nabc",
            "200 [OK] Content-Length=5 body=abc bad", true);
        row("closed before a head", "HTTP/1.1 200 OK\r\nContent-", " body= bad", true);
    }

    // Every cut into two reads, and a byte at a time, reads the same answer.
    void answersAtEverySplit()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, answersHead);
        QFETCH(bool, closed);
        QFETCH(QByteArray, expected);
        QCOMPARE(outcome(bytes, bytes.size(), answersHead, closed), expected);
        if (bytes.size() > 1024)
            return;
        QCOMPARE(outcome(bytes, 1, answersHead, closed), expected);
        for (qsizetype cut = 1; cut < bytes.size(); ++cut) {
            const QByteArray split = outcome(bytes, cut, answersHead, closed);
            QVERIFY2(split == expected, QByteArray(QByteArray::number(cut) + ": " + split).constData());
        }
    }

    // A dev server's answer right after another on a kept-alive connection is left for the next parser.
    void bytesAfterTheAnswerAreLeft()
    {
        const QByteArray two =
            "HTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\naHTTP/1.1 204 No Content\r\n\r\n"_ba;
        HttpResponseParser parser;
        qsizetype position = 0;
        qsizetype used = 0;
        while (!std::holds_alternative<HttpResponseParser::End>(
            parser.next(QByteArrayView(two).sliced(position), used)))
            position += used;
        QCOMPARE(two.sliced(position), "HTTP/1.1 204 No Content\r\n\r\n"_ba);
    }
};

QTEST_GUILESS_MAIN(HttpResponseParserTest)
#include "HttpResponseParserTest.moc"
