#include "core/processes/DevServerURLDiscoveryService.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace devnook;
using DevServerURLDiscoveryService::candidateURLs;

namespace {

constexpr Timestamp kStart = Timestamp::fromSecondsSinceReference(800000000.0);

DevProcessLogLine line(const QString &text, Timestamp date = kStart)
{
    return DevProcessLogLine{QUuid::createUuid(), date, text, false, std::nullopt, std::nullopt};
}

} // namespace

class DevServerURLDiscoveryTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void candidatesOfALog_data()
    {
        QTest::addColumn<QString>("configuredURL");
        QTest::addColumn<QString>("printed");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("coloured vite line")
            << u"http://localhost:3000"_s
            << u"  \u279C  \x1B[1mLocal\x1B[22m:   \x1B[36mhttp://localhost:\x1B[1m5173\x1B[22m/\x1B[39m"_s
            << QStringList(
                   {u"http://localhost:5173/"_s, u"http://127.0.0.1:5173"_s, u"http://localhost:5173"_s});
        QTest::newRow("configured path, query and fragment kept, configured port last")
            << u"localhost:5173/app?tab=1#top"_s
            << u"server ready on localhost:5173, listening on 127.0.0.1:4000"_s
            << QStringList(
                   {u"http://127.0.0.1:4000/app?tab=1#top"_s, u"http://localhost:4000/app?tab=1#top"_s,
                    u"http://127.0.0.1:5173/app?tab=1#top"_s, u"http://localhost:5173/app?tab=1#top"_s});
        QTest::newRow("port 80 of a configured URL without port")
            << u"http://localhost"_s << u"see http://localhost/ or http://localhost:5173"_s
            << QStringList({u"http://localhost:5173"_s, u"http://localhost/"_s});
        QTest::newRow("accented letter, or parenthesis, before the host")
            << u"http://localhost:8080"_s << u"\u00E9localhost:3000 (localhost:3001)"_s
            << QStringList({u"http://localhost:3001"_s});
        QTest::newRow("capitals stay") << u"http://localhost:3000"_s << u"Open HTTP://LOCALHOST:8080 now"_s
                                       << QStringList({u"HTTP://LOCALHOST:8080"_s});
        QTest::newRow("no-break space ends a url")
            << u"http://localhost:3000"_s << u"at http://localhost:3000/docs\u00A0(docs)"_s
            << QStringList({u"http://localhost:3000/docs"_s, u"http://localhost:3000"_s});
        QTest::newRow("list separators after urls")
            << u"http://localhost:3000"_s << u"Loopback: http://localhost:6101/, http://127.0.0.1:6102/x;"_s
            << QStringList({u"http://127.0.0.1:6102/x"_s, u"http://localhost:6101/"_s,
                            u"http://127.0.0.1:6102"_s, u"http://localhost:6101"_s});
        QTest::newRow("hyperlink target not read")
            << u"http://localhost:3000"_s << u"\x1B]8;;http://localhost:9999\x07here\x1B]8;;\x07"_s
            << QStringList();
        QTest::newRow("port out of range")
            << u"http://localhost:3000"_s << u"localhost:65536, localhost:00 and localhost:65535"_s
            << QStringList({u"http://localhost:65535"_s});
        QTest::newRow("no configured url")
            << QString() << u"ready at 0.0.0.0:4321"_s
            << QStringList({u"http://127.0.0.1:4321/"_s, u"http://localhost:4321/"_s});
    }

    void candidatesOfALog()
    {
        QFETCH(QString, configuredURL);
        QFETCH(QString, printed);
        QFETCH(QStringList, expected);
        QCOMPARE(candidateURLs({line(printed)}, kStart, configuredURL), expected);
    }

    // Raw candidates come in rule order, and the listening rule takes any
    // port of two to five digits as printed.
    void candidatesOfOneText()
    {
        QCOMPARE(candidateURLs(u"Local: http://localhost:5173/"_s, u"http://localhost:3000/"_s),
                 QStringList({u"http://localhost:5173/"_s, u"http://localhost:5173/"_s,
                              u"http://localhost:5173/"_s, u"http://127.0.0.1:5173/"_s}));
        QCOMPARE(candidateURLs(u"Listening on port localhost:99999"_s, u"http://localhost:3000"_s),
                 QStringList({u"http://localhost:99999"_s, u"http://127.0.0.1:99999"_s}));
        // Lines before the start do not count (the table's, dated exactly then, do).
        QVERIFY(candidateURLs({line(u"Local: http://localhost:4000/"_s)}, kStart.addSeconds(0.001), {})
                    .isEmpty());
    }
};

QTEST_GUILESS_MAIN(DevServerURLDiscoveryTest)
#include "DevServerURLDiscoveryTest.moc"
