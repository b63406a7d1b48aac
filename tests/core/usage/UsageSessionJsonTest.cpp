#include "core/usage/UsageSessionCoding.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace devnook;

namespace {

// One session object with extra members at its end and the given project name.
QByteArray sessionText(const QByteArray &extra, const QByteArray &name = "\"Shop\"")
{
    return "{\"id\": \"0A6F4C52-1D7B-4E8A-9C3F-5B2E7D1A9F01\", \"projectID\": "
           "\"9B1E2D3C-4F5A-4B6C-8D7E-0F1A2B3C4D5E\","
           " \"projectName\": " +
           name +
           ", \"client\": \"\", \"stack\": \"\", \"source\": \"playButton\", \"startedAt\": 737409600," +
           " \"endedAt\": 737413200" + extra + "}";
}

} // namespace

// The session file is read by a scanner of our own, as strict as a JSON
// document reader, so a damaged file is recognised and kept aside.
class UsageSessionJsonTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void readsAnyValidLayout_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("projectName");
        QTest::addColumn<double>("pausedDuration");

        QTest::newRow("compact") << "[" + sessionText({}) + "]" << u"Shop"_s << 0.0;
        QTest::newRow("whitespace everywhere")
            << "\r\n\t[ \n" + sessionText({}).replace(":", " :\t").replace(",", " ,\n") + " ]\n"
            << u"Shop"_s << 0.0;
        QTest::newRow("escapes") << "[" + sessionText({}, "\"Caf\\u00e9 \\\"\\\\\\/\\ud83d\\ude00\\n\"") + "]"
                                 << u"Café \"\\/😀\n"_s << 0.0;
        QTest::newRow("raw UTF-8") << "[" + sessionText({}, "\"Caf\xC3\xA9\"") + "]" << u"Café"_s << 0.0;
        QTest::newRow("numbers in every form")
            << "[" + sessionText(", \"pausedDuration\": 1.5e+2") + "]" << u"Shop"_s << 150.0;
        QTest::newRow("negative zero")
            << "[" + sessionText(", \"pausedDuration\": -0.0") + "]" << u"Shop"_s << 0.0;
        QTest::newRow("unknown members of every kind")
            << "[" +
                   sessionText(", \"note\": {\"a\": [1, true, false, null, {\"b\": \"}\"}], \"c\": -2E-3}, "
                               "\"x\": []") +
                   "]"
            << u"Shop"_s << 0.0;
        QTest::newRow("null pause") << "[" + sessionText(", \"pausedDuration\": null") + "]" << u"Shop"_s
                                    << 0.0;
        QTest::newRow("the later of two keys")
            << "[" + sessionText(", \"pausedDuration\": 5, \"pausedDuration\": 7") + "]" << u"Shop"_s << 7.0;
    }

    void readsAnyValidLayout()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, projectName);
        QFETCH(double, pausedDuration);
        const auto sessions = UsageSessionCoding::decodeSessions(json);
        QVERIFY2(sessions.isOk(), qPrintable(sessions.error()));
        QCOMPARE(sessions.value().size(), 1);
        QCOMPARE(sessions.value().first().projectName, projectName);
        QCOMPARE(sessions.value().first().pausedDuration, pausedDuration);
        QCOMPARE(sessions.value().first().endedAt.secondsSinceReference(), 737413200.0);
    }

    void refusesWhatIsNotJson_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("error");

        const QByteArray good = sessionText({});
        QTest::newRow("nothing") << QByteArray() << u"offset 0"_s;
        QTest::newRow("trailing comma in the list") << "[" + good + ",]" << u"unexpected character"_s;
        QTest::newRow("trailing comma in an object")
            << "[" + sessionText(",") + "]" << u"expected a string"_s;
        QTest::newRow("text after the list") << "[" + good + "] x" << u"unexpected text after the value"_s;
        QTest::newRow("single quotes") << "[" + sessionText({}, "'Shop'") + "]" << u"unexpected character"_s;
        QTest::newRow("control character")
            << "[" + sessionText({}, "\"Sh\top\"") + "]" << u"control character"_s;
        QTest::newRow("invalid UTF-8") << "[" + sessionText({}, "\"Sh\xC3op\"") + "]" << u"not valid UTF-8"_s;
        QTest::newRow("lone surrogate") << "[" + sessionText({}, "\"\\ud83d\"") + "]" << u"invalid escape"_s;
        QTest::newRow("unknown escape") << "[" + sessionText({}, "\"\\x41\"") + "]" << u"invalid escape"_s;
        QTest::newRow("unterminated string") << "[" + sessionText({}).left(130) << u"unterminated string"_s;
        QTest::newRow("leading zero") << "[" + sessionText(", \"pausedDuration\": 01") + "]" << u"expected"_s;
        QTest::newRow("bare point") << "[" + sessionText(", \"pausedDuration\": 1.") + "]"
                                    << u"invalid number"_s;
        QTest::newRow("plus sign") << "[" + sessionText(", \"pausedDuration\": +1") + "]"
                                   << u"unexpected character"_s;
        QTest::newRow("not a number")
            << "[" + sessionText(", \"pausedDuration\": NaN") + "]" << u"unexpected character"_s;
        QTest::newRow("too large for a double")
            << "[" + sessionText(", \"pausedDuration\": 1e400") + "]" << u"out of range"_s;
        QTest::newRow("misspelt literal")
            << "[" + sessionText(", \"x\": nul") + "]" << u"unexpected character"_s;
        const QByteArray goodId = "0A6F4C52-1D7B-4E8A-9C3F-5B2E7D1A9F01";
        QTest::newRow("id with a letter past f")
            << "[" + QByteArray(good).replace(goodId, "0A6F4C52-1D7B-4E8A-9C3F-5B2E7D1A9F0G") + "]"
            << u"not a UUID"_s;
        QTest::newRow("id with a hyphen out of place")
            << "[" + QByteArray(good).replace(goodId, "0A6F4C521-D7B-4E8A-9C3F-5B2E7D1A9F01") + "]"
            << u"not a UUID"_s;
        QTest::newRow("nested too deeply")
            << "[" + sessionText(", \"x\": " + QByteArray(600, '[') + QByteArray(600, ']')) + "]"
            << u"nested too deeply"_s;
    }

    void refusesWhatIsNotJson()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, error);
        const auto sessions = UsageSessionCoding::decodeSessions(json);
        QVERIFY(!sessions.isOk());
        QVERIFY2(sessions.error().contains(error), qPrintable(sessions.error()));
    }

    void writtenTextEscapesWhatJsonRequires()
    {
        const ProjectUsageSession session{QUuid::createUuid(),
                                          QUuid::createUuid(),
                                          u"Tab\there \"q\" \\ \x01 é"_s,
                                          u"line\r\nbreak"_s,
                                          {},
                                          ProjectUsageSessionSource::startWorkspace,
                                          Timestamp::fromSecondsSinceReference(737409600.123456789),
                                          Timestamp::fromSecondsSinceReference(737413200.5),
                                          1e-7};
        const auto bytes = UsageSessionCoding::encodeSessions({session});
        QVERIFY(bytes.isOk());
        QVERIFY(bytes.value().contains("\"projectName\": \"Tab\\there \\\"q\\\" \\\\ \\u0001 é\""));
        QVERIFY(bytes.value().contains("\"client\": \"line\\r\\nbreak\""));
        QCOMPARE(UsageSessionCoding::decodeSessions(bytes.value()).value(),
                 QList<ProjectUsageSession>{session});
    }
};

QTEST_GUILESS_MAIN(UsageSessionJsonTest)
#include "UsageSessionJsonTest.moc"
