#include "core/telemetry/CryptoHashing.h"
#include "core/telemetry/DefaultSignalPayload.h"
#include "core/telemetry/SignalPostBody.h"
#include "core/telemetry/TelemetryCoding.h"
#include "core/telemetry/TelemetryLog.h"
#include "support/LocalTime.h"
#include "support/TelemetryDoubles.h"
#include "support/TestEnvironment.h"

#include <QDate>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryFile>
#include <QTest>
#include <cstdio>
#include <tuple>
#include <unistd.h>
#include <utility>

using namespace Qt::StringLiterals;
using namespace devnook;

class TelemetryFormatsTest : public QObject {
    Q_OBJECT

    const test::ScopedTimeZone m_zone{"America/Sao_Paulo"};

private Q_SLOTS:
    void theSaltIsAppendedBeforeHashing()
    {
        QCOMPARE(CryptoHashing::sha256(u"a"_s, u"bc"_s),
                 u"ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"_s);
    }

    void messagesPassFromTheHandlersLevelUp_data()
    {
        QTest::addColumn<int>("handlerLevel");
        QTest::addColumn<QString>("passed");
        QTest::newRow("debug") << 0 << u"DEBUG INFO ERROR"_s;
        QTest::newRow("info") << 1 << u"INFO ERROR"_s;
        QTest::newRow("error") << 2 << u"ERROR"_s;
    }

    void messagesPassFromTheHandlersLevelUp()
    {
        QFETCH(int, handlerLevel);
        QFETCH(QString, passed);
        QStringList received;
        const LogHandler handler{*LogHandler::levelFromRawValue(handlerLevel),
                                 [&received](LogHandler::LogLevel level, const QString &) {
                                     received << LogHandler::description(level);
                                 }};
        for (int raw = -1; raw <= 3; ++raw) {
            if (const auto level = LogHandler::levelFromRawValue(raw))
                handler.log(*level, u"message"_s);
        }
        QCOMPARE(received.join(u' '), passed);
    }

    void theStandardOutputHandlerPrintsOneLinePerMessage()
    {
        QTemporaryFile captured;
        QVERIFY(captured.open());
        std::fflush(stdout);
        const int original = ::dup(STDOUT_FILENO);
        ::dup2(captured.handle(), STDOUT_FILENO);
        const LogHandler handler = LogHandler::standardOutput(LogHandler::LogLevel::info);
        handler.log(LogHandler::LogLevel::error, u"Error saving Telemetry cache"_s);
        handler.log(LogHandler::LogLevel::debug, u"hidden"_s);
        handler.log(LogHandler::LogLevel::info, u"Loaded 3 signals – ü"_s);
        std::fflush(stdout);
        ::dup2(original, STDOUT_FILENO);
        ::close(original);
        QCOMPARE(test::readFile(captured.fileName()),
                 QByteArray("[Telemetry: ERROR] Error saving Telemetry cache\n"
                            "[Telemetry: INFO] Loaded 3 signals \xE2\x80\x93 \xC3\xBC\n"));
    }

    void bodiesKeepTheirFormInTheCacheAndOnTheWire()
    {
        const test::ScopedLocale locale(QLocale(QLocale::Arabic, QLocale::Egypt));
        SignalPostBody body{test::localTime(2024, 3, 7, 11, 5, 9),
                            u"app"_s,
                            u"hash"_s,
                            u"SESSION"_s,
                            u"type"_s,
                            std::nullopt,
                            {{u"a"_s, QString()}},
                            true};
        for (const std::optional<double> number : {std::optional<double>(), std::optional(9.99)}) {
            body.floatValue = number;
            const QJsonObject cached = body.toCacheJson();
            QCOMPARE(cached.contains(u"floatValue"_s), number.has_value());
            QCOMPARE(SignalPostBody::fromCacheJson(cached), body);
        }
        body.floatValue.reset();
        const QJsonObject wire = QJsonDocument::fromJson(encodeRequestBatch({body})).array().at(0).toObject();
        QCOMPARE(wire.size(), 7);
        QCOMPARE(wire.value(u"receivedAt"_s).toString(), u"2024-03-07T14:05:09+0000"_s);
        QCOMPARE(wire.value(u"isTestMode"_s).toString(), u"true"_s);
    }

    void calendar_data()
    {
        QTest::addColumn<Timestamp>("moment");
        QTest::addColumn<QStringList>("dayOfWeekWeekendHourDayOfYear");
        QTest::newRow("sunday night")
            << test::localTime(2024, 3, 10, 23, 15) << QStringList{u"7"_s, u"true"_s, u"24"_s, u"70"_s};
        QTest::newRow("friday after midnight")
            << test::localTime(2024, 3, 8, 0, 10) << QStringList{u"5"_s, u"false"_s, u"1"_s, u"68"_s};
    }

    void calendar()
    {
        QFETCH(Timestamp, moment);
        QFETCH(QStringList, dayOfWeekWeekendHourDayOfYear);
        const TelemetryParameters calendar = DefaultSignalPayload::calendarParameters(moment);
        QStringList values;
        for (const char16_t *key : {u"dayOfWeek", u"isWeekend", u"hourOfDay", u"dayOfYear"})
            values << calendar.value(u"Telemetry.Calendar."_s + QStringView(key));
        QCOMPARE(values, dayOfWeekWeekendHourDayOfYear);
    }

    // Weeks begin on Sunday and week 1 holds 1 January: Sundays and the days
    // around New Year are where this differs from the ISO week (in brackets).
    void weekOfYear_data()
    {
        QTest::addColumn<QDate>("day");
        QTest::addColumn<int>("week");
        const QList<std::tuple<QDate, int>> days{
            {{2021, 12, 31}, 1},  // Friday before Saturday 1 January [52]
            {{2022, 12, 25}, 53}, // Sunday of a week that ends the year [51]
            {{2022, 12, 31}, 53}, // Saturday before Sunday 1 January [52]
            {{2023, 1, 1}, 1},    // Sunday, 1 January [52]
            {{2023, 12, 30}, 52}, // Saturday [52]
            {{2023, 12, 31}, 1},  // Sunday before Monday 1 January [52]
            {{2024, 1, 7}, 2},    // Sunday [1]
            {{2024, 3, 10}, 11},  // Sunday [10]
            {{2024, 12, 28}, 52}, // Saturday [52]
            {{2024, 12, 29}, 1},  // Sunday before Wednesday 1 January [52]
            {{2024, 12, 31}, 1},  // Tuesday [1]
            {{2025, 1, 4}, 1},    // Saturday [1]
            {{2025, 1, 5}, 2},    // Sunday [1]
            {{2025, 12, 27}, 52}, // Saturday [52]
            {{2025, 12, 28}, 1},  // Sunday before Thursday 1 January [52]
            {{2025, 12, 31}, 1},  // Wednesday [1]
            {{2026, 1, 4}, 2},    // Sunday [1]
        };
        for (const auto &[day, week] : days)
            QTest::newRow(qPrintable(day.toString(Qt::ISODate))) << day << week;
    }

    void weekOfYear()
    {
        QFETCH(QDate, day);
        QFETCH(int, week);
        // Just after midnight and just before the next, in the local zone.
        for (const auto &[hour, minute] : {std::pair(0, 5), std::pair(23, 55)}) {
            const Timestamp moment = test::localTime(day.year(), day.month(), day.day(), hour, minute);
            QCOMPARE(
                DefaultSignalPayload::calendarParameters(moment).value(u"Telemetry.Calendar.weekOfYear"_s),
                QString::number(week));
        }
    }

    void timeZones()
    {
        QCOMPARE(DefaultSignalPayload::timeZoneText(19800), u"UTC+5:30"_s);
        QCOMPARE(DefaultSignalPayload::timeZoneText(-18000), u"UTC-5"_s);
        QCOMPARE(DefaultSignalPayload::timeZoneText(-12600), u"UTC-3:30"_s);
        QCOMPARE(DefaultSignalPayload::timeZoneText(0), u"UTC+0"_s);
    }

    void localeAndModelFallbacks()
    {
        QCOMPARE(DefaultSignalPayload::region(QLocale(u"de_CH"_s)), u"CH"_s);
        QCOMPARE(DefaultSignalPayload::region(QLocale::c()), u"C"_s);
        QCOMPARE(DefaultSignalPayload::preferredLanguage({u"de-CH"_s, u"fr"_s}), u"de"_s);
        QCOMPARE(DefaultSignalPayload::preferredLanguage({}), u"zz"_s);
        QCOMPARE(DefaultSignalPayload::modelName("ThinkPad X1\n", "x86_64"), u"ThinkPad X1"_s);
        QCOMPARE(DefaultSignalPayload::modelName(QByteArray("Box\0junk", 8), "x86_64"), u"Box"_s);
        QCOMPARE(DefaultSignalPayload::modelName({}, "aarch64"), u"aarch64"_s);
    }

    void payloadsWithAndWithoutADisplay()
    {
        const test::ScopedTimeZone zone("Asia/Kolkata");
        test::FixedDisplayFacts display;
        SystemFacts system;
        system.majorVersion = 12;
        system.buildNumber = u"7"_s;
        const auto payload = [&] {
            return DefaultSignalPayload::parameters(system, display, test::localTime(2024, 3, 7, 12),
                                                    QLocale(u"en_US"_s), {u"en-US"_s});
        };
        const TelemetryParameters headless = payload();
        QCOMPARE(headless.size(), 48 + 8);
        for (const char16_t *key : {u"Device.screenResolutionHeight", u"Device.screenScaleFactor",
                                    u"UserPreference.layoutDirection", u"UserPreference.colorScheme"})
            QCOMPARE(headless.value(u"Telemetry."_s + QStringView(key)), u"N/A"_s);
        QCOMPARE(headless.value(u"Telemetry.AppInfo.versionAndBuildNumber"_s), u"0 (build 7)"_s);
        QCOMPARE(headless.value(u"systemVersion"_s), u"Linux 12.0.0"_s);
        QCOMPARE(headless.value(u"Telemetry.Device.timeZone"_s), u"UTC+5:30"_s);

        display.screen = DisplayFacts::Screen{1080.0, 1920.0, 2.0};
        display.direction = Qt::RightToLeft;
        display.scheme = DisplayFacts::ColorScheme::dark;
        const TelemetryParameters shown = payload();
        QCOMPARE(shown.value(u"Telemetry.Device.screenResolutionWidth"_s), u"1920.0"_s);
        QCOMPARE(shown.value(u"Telemetry.Device.screenScaleFactor"_s), u"2.0"_s);
        QCOMPARE(shown.value(u"Telemetry.UserPreference.layoutDirection"_s), u"rightToLeft"_s);
        QCOMPARE(shown.value(u"Telemetry.UserPreference.colorScheme"_s), u"Dark"_s);
    }
};

QTEST_GUILESS_MAIN(TelemetryFormatsTest)
#include "TelemetryFormatsTest.moc"
