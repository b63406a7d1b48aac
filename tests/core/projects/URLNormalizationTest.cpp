#include "core/projects/URLNormalizationService.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace devnook;

class URLNormalizationTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void normalized_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("expected");
        QTest::newRow("localhost with spaces") << u"  localhost:5173 "_s << u"http://localhost:5173"_s;
        QTest::newRow("subdomain of localhost") << u"app.localhost:3000"_s << u"http://app.localhost:3000"_s;
        QTest::newRow("bare localhost") << u"localhost"_s << u"http://localhost"_s;
        QTest::newRow("LOCALHOST") << u"LOCALHOST:80"_s << u"http://LOCALHOST:80"_s;
        QTest::newRow("ipv4 with port and path")
            << u"192.168.1.20:8080/admin"_s << u"http://192.168.1.20:8080/admin"_s;
        QTest::newRow("ipv4 out of range") << u"999.1.1.1"_s << u"http://999.1.1.1"_s;
        QTest::newRow("domain with path") << u"example.com/docs"_s << u"https://example.com/docs"_s;
        QTest::newRow("http kept") << u"http://localhost:3000"_s << u"http://localhost:3000"_s;
        QTest::newRow("other scheme kept") << u"figma://file/abc"_s << u"figma://file/abc"_s;
        QTest::newRow("dotted host and port") << u"myapp.test:8080"_s << u"http://myapp.test:8080"_s;
        QTest::newRow("dotted host, port, path") << u"dev.local:3000/app"_s << u"http://dev.local:3000/app"_s;
        QTest::newRow("port out of range kept") << u"http://localhost:99999"_s << u"http://localhost:99999"_s;
        QTest::newRow("space inside") << u"my site.dev"_s << u"https://my site.dev"_s;
        QTest::newRow("blank") << u" \n\t "_s << QString();
    }

    void normalized()
    {
        QFETCH(QString, typed);
        QFETCH(QString, expected);
        QCOMPARE(URLNormalizationService::normalized(typed), expected);
    }
};

QTEST_GUILESS_MAIN(URLNormalizationTest)
#include "URLNormalizationTest.moc"
