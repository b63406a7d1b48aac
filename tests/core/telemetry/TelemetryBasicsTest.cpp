#include "core/telemetry/CryptoHashing.h"
#include "core/telemetry/TelemetryCoding.h"
#include "core/telemetry/TelemetryLog.h"
#include "core/telemetry/TelemetryManagerConfiguration.h"
#include "support/LocalTime.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace devnook;

class TelemetryBasicsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void hashing_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("salt");
        QTest::addColumn<QString>("digest");
        const QString abc = u"ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"_s;
        QTest::newRow("abc") << u"abc"_s << QString() << abc;
        QTest::newRow("salt appended") << u"a"_s << u"bc"_s << abc;
        QTest::newRow("empty") << QString() << QString()
                               << u"e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"_s;
        QTest::newRow("utf-8")
            << u"é"_s << QString()
            << QString::fromLatin1(QCryptographicHash::hash("\xc3\xa9", QCryptographicHash::Sha256).toHex());
    }

    void hashing()
    {
        QFETCH(QString, text);
        QFETCH(QString, salt);
        QFETCH(QString, digest);
        QCOMPARE(CryptoHashing::sha256(text, salt), digest);
    }

    void logLevels_data()
    {
        QTest::addColumn<int>("handlerLevel");
        QTest::addColumn<QStringList>("passed");
        QTest::newRow("debug") << 0 << QStringList{u"DEBUG d"_s, u"INFO i"_s, u"ERROR e"_s};
        QTest::newRow("info") << 1 << QStringList{u"INFO i"_s, u"ERROR e"_s};
        QTest::newRow("error") << 2 << QStringList{u"ERROR e"_s};
    }

    void logLevels()
    {
        QFETCH(int, handlerLevel);
        QFETCH(QStringList, passed);
        QStringList received;
        const LogHandler handler{*LogHandler::levelFromRawValue(handlerLevel),
                                 [&received](LogHandler::LogLevel level, const QString &message) {
                                     received.append(LogHandler::description(level) + u' ' + message);
                                 }};
        for (const auto &[level, text] : {std::pair{LogHandler::LogLevel::debug, u"d"_s},
                                          {LogHandler::LogLevel::info, u"i"_s},
                                          {LogHandler::LogLevel::error, u"e"_s}})
            telemetryLog(handler, level, text);
        QCOMPARE(received, passed);
        QVERIFY(!LogHandler::levelFromRawValue(3));
        QVERIFY(!LogHandler::levelFromRawValue(-1));
    }

    void requestDatesAreUtcWhateverTheZone()
    {
        const test::ScopedTimeZone zone("Asia/Kolkata");
        const test::ScopedLocale locale(QLocale(QLocale::Arabic, QLocale::Egypt));
        const Timestamp moment = test::localTime(2024, 3, 7, 19, 35, 9);
        QCOMPARE(TelemetryCoding::requestDateText(moment), u"2024-03-07T14:05:09+0000"_s);
    }

    void decimalTexts()
    {
        QCOMPARE(TelemetryCoding::decimalText(2.0), u"2.0"_s);
        QCOMPARE(TelemetryCoding::decimalText(1.234), u"1.234"_s);
        QCOMPARE(TelemetryCoding::decimalText(0.1 + 0.2), u"0.30000000000000004"_s);
    }

    void configurationDefaults()
    {
        const TelemetryManagerConfiguration configuration(u"app"_s);
        QCOMPARE(configuration.salt, QString());
        QCOMPARE(configuration.apiBaseURL, TelemetryManagerConfiguration::defaultBaseURL());
        QVERIFY(!configuration.telemetryNamespace);
        QVERIFY(!configuration.defaultUser());
        QVERIFY(!configuration.sessionID().isNull());
        QVERIFY(configuration.defaultParameters().isEmpty());
        QCOMPARE(configuration.cacheLimit, 10000);
        QCOMPARE(configuration.transmitInterval, 10.0);
        QCOMPARE(configuration.maxBackoffInterval, 300.0);
        QVERIFY(!configuration.testMode && !configuration.analyticsDisabled);
        QCOMPARE(configuration.logHandler->logLevel, LogHandler::LogLevel::info);
    }
};

QTEST_GUILESS_MAIN(TelemetryBasicsTest)
#include "TelemetryBasicsTest.moc"
