#include "core/telemetry/DefaultSignalPayload.h"
#include "core/telemetry/SignalPostBody.h"
#include "support/LocalTime.h"
#include "support/TelemetryDoubles.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace devnook;

namespace {

SignalPostBody body(std::optional<double> floatValue)
{
    return {Timestamp::fromSecondsSinceReference(731513109.5),
            u"app"_s,
            u"hash"_s,
            u"SESSION"_s,
            u"type"_s,
            floatValue,
            {{u"a"_s, u"1"_s}, {u"b"_s, QString()}},
            true};
}

} // namespace

class SignalPayloadTest : public QObject {
    Q_OBJECT

    const test::ScopedTimeZone m_zone{"America/Sao_Paulo"};

private Q_SLOTS:
    void bodiesRoundTripThroughTheCacheForm_data()
    {
        QTest::addColumn<std::optional<double>>("floatValue");
        QTest::newRow("no number") << std::optional<double>();
        QTest::newRow("number") << std::optional<double>(9.99);
    }

    void bodiesRoundTripThroughTheCacheForm()
    {
        QFETCH(std::optional<double>, floatValue);
        const QJsonObject cached = body(floatValue).toCacheJson();
        QCOMPARE(cached.contains(u"floatValue"_s), floatValue.has_value());
        QCOMPARE(cached.value(u"receivedAt"_s).toDouble(), 731513109.5);
        QCOMPARE(SignalPostBody::fromCacheJson(cached), body(floatValue));
    }

    void theRequestFormWritesDatesAndFlagsAsText()
    {
        const QJsonArray batch = QJsonDocument::fromJson(encodeRequestBatch({body(std::nullopt)})).array();
        const QJsonObject object = batch.at(0).toObject();
        QCOMPARE(object.size(), 7);
        QCOMPARE(object.value(u"receivedAt"_s).toString(), u"2024-03-07T14:05:09+0000"_s);
        QCOMPARE(object.value(u"isTestMode"_s).toString(), u"true"_s);
        QCOMPARE(object.value(u"payload"_s).toObject().value(u"b"_s).toString(), QString());
    }

    void cacheEntriesMissingAKeyAreRefused_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QJsonValue>("value");
        QTest::newRow("no type") << u"type"_s << QJsonValue(QJsonValue::Undefined);
        QTest::newRow("date as text") << u"receivedAt"_s << QJsonValue(u"2024"_s);
        QTest::newRow("flag as bool") << u"isTestMode"_s << QJsonValue(true);
        QTest::newRow("payload number") << u"payload"_s << QJsonValue(QJsonObject{{u"a"_s, 1}});
    }

    void cacheEntriesMissingAKeyAreRefused()
    {
        QFETCH(QString, key);
        QFETCH(QJsonValue, value);
        QJsonObject object = body(1.0).toCacheJson();
        if (value.isUndefined())
            object.remove(key);
        else
            object.insert(key, value);
        QVERIFY(!SignalPostBody::fromCacheJson(object));
    }

    void calendar_data()
    {
        QTest::addColumn<Timestamp>("moment");
        QTest::addColumn<QString>("dayOfWeek");
        QTest::addColumn<QString>("isWeekend");
        QTest::addColumn<QString>("hourOfDay");
        QTest::addColumn<QString>("dayOfYear");
        QTest::newRow("sunday night")
            << test::localTime(2024, 3, 10, 23, 15) << u"7"_s << u"true"_s << u"24"_s << u"70"_s;
        QTest::newRow("friday after midnight")
            << test::localTime(2024, 3, 8, 0, 10) << u"5"_s << u"false"_s << u"1"_s << u"68"_s;
    }

    void calendar()
    {
        QFETCH(Timestamp, moment);
        QFETCH(QString, dayOfWeek);
        QFETCH(QString, isWeekend);
        QFETCH(QString, hourOfDay);
        QFETCH(QString, dayOfYear);
        const TelemetryParameters calendar = DefaultSignalPayload::calendarParameters(moment);
        QCOMPARE(calendar.value(u"Telemetry.Calendar.dayOfWeek"_s), dayOfWeek);
        QCOMPARE(calendar.value(u"Telemetry.Calendar.isWeekend"_s), isWeekend);
        QCOMPARE(calendar.value(u"Telemetry.Calendar.hourOfDay"_s), hourOfDay);
        QCOMPARE(calendar.value(u"Telemetry.Calendar.dayOfYear"_s), dayOfYear);
        QCOMPARE(calendar.value(u"Telemetry.Calendar.quarterOfYear"_s), u"1"_s);
        QCOMPARE(calendar.size(), 8);
    }

    void timeZones_data()
    {
        QTest::addColumn<int>("offset");
        QTest::addColumn<QString>("text");
        QTest::newRow("+5:30") << 19800 << u"UTC+5:30"_s;
        QTest::newRow("-5") << -18000 << u"UTC-5"_s;
        QTest::newRow("-3:30") << -12600 << u"UTC-3:30"_s;
        QTest::newRow("0") << 0 << u"UTC+0"_s;
    }

    void timeZones()
    {
        QFETCH(int, offset);
        QFETCH(QString, text);
        QCOMPARE(DefaultSignalPayload::timeZoneText(offset), text);
    }

    void localeAndModelFallbacks()
    {
        QCOMPARE(DefaultSignalPayload::region(QLocale(u"de_CH"_s)), u"CH"_s);
        QCOMPARE(DefaultSignalPayload::region(QLocale::c()), u"C"_s);
        QCOMPARE(DefaultSignalPayload::appLanguage(QLocale(u"de_CH"_s)), u"de"_s);
        QCOMPARE(DefaultSignalPayload::preferredLanguage({u"de-CH"_s, u"fr"_s}), u"de"_s);
        QCOMPARE(DefaultSignalPayload::preferredLanguage({}), u"zz"_s);
        QCOMPARE(DefaultSignalPayload::modelName("ThinkPad X1\n", "x86_64"), u"ThinkPad X1"_s);
        QCOMPARE(DefaultSignalPayload::modelName(QByteArray("Box\0junk", 8), "x86_64"), u"Box"_s);
        QCOMPARE(DefaultSignalPayload::modelName({}, "aarch64"), u"aarch64"_s);
    }

    void headlessAndScreenFacts()
    {
        const test::ScopedTimeZone zone("Asia/Kolkata");
        test::FixedDisplayFacts display;
        SystemFacts system;
        system.majorVersion = 12;
        system.buildNumber = u"7"_s;
        const Timestamp now = test::localTime(2024, 3, 7, 12);
        TelemetryParameters headless =
            DefaultSignalPayload::parameters(system, display, now, QLocale(u"en_US"_s), {u"en-US"_s});
        QCOMPARE(headless.size(), 48 + 8);
        for (const QString &key :
             {u"Telemetry.Device.screenResolutionHeight"_s, u"Telemetry.Device.screenScaleFactor"_s,
              u"Telemetry.UserPreference.layoutDirection"_s, u"Telemetry.UserPreference.colorScheme"_s})
            QCOMPARE(headless.value(key), u"N/A"_s);
        QCOMPARE(headless.value(u"Telemetry.AppInfo.versionAndBuildNumber"_s), u"0 (build 7)"_s);
        QCOMPARE(headless.value(u"systemVersion"_s), u"Linux 12.0.0"_s);
        QCOMPARE(headless.value(u"Telemetry.Device.timeZone"_s), u"UTC+5:30"_s);

        display.screen = DisplayFacts::Screen{1080.0, 1920.0, 2.0};
        display.direction = Qt::RightToLeft;
        display.scheme = DisplayFacts::ColorScheme::dark;
        const TelemetryParameters shown =
            DefaultSignalPayload::parameters(system, display, now, QLocale(u"en_US"_s), {u"en-US"_s});
        QCOMPARE(shown.value(u"Telemetry.Device.screenResolutionWidth"_s), u"1920.0"_s);
        QCOMPARE(shown.value(u"Telemetry.Device.screenScaleFactor"_s), u"2.0"_s);
        QCOMPARE(shown.value(u"Telemetry.UserPreference.layoutDirection"_s), u"rightToLeft"_s);
        QCOMPARE(shown.value(u"Telemetry.UserPreference.colorScheme"_s), u"Dark"_s);
    }
};

QTEST_GUILESS_MAIN(SignalPayloadTest)
#include "SignalPayloadTest.moc"
