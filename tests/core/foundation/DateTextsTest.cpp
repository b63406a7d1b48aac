#include "core/foundation/DateTexts.h"

#include "support/LocalTime.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace devnook;

// Dates and times as every window shows them: the locale's own order and
// words, the month abbreviated, no weekday and no seconds.
class DateTextsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void followTheLocale_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("time");
        // C's short time has seconds; its long date leads with the weekday.
        QTest::newRow("C") << u"C"_s << u"5 May 2024"_s << u"15:04"_s;
        QTest::newRow("American") << u"en_US"_s << u"May 5, 2024"_s << u"3:04 PM"_s;
        QTest::newRow("Catalan") << u"ca_ES"_s << u"5 de maig de 2024"_s << u"15:04"_s;
        // The weekday trails here, after the day's own point.
        QTest::newRow("Hungarian") << u"hu_HU"_s << u"2024. m\u00E1j. 5."_s << u"15:04"_s;
        // No separator around the weekday: nothing else may go with it.
        QTest::newRow("Japanese") << u"ja_JP"_s << u"2024\u5E745\u67085\u65E5"_s << u"15:04"_s;
    }
    void followTheLocale()
    {
        QFETCH(QString, locale);
        QFETCH(QString, date);
        QFETCH(QString, time);
        const test::ScopedLocale scoped{QLocale(locale)};
        const test::ScopedTimeZone zone("UTC");
        QCOMPARE(DateTexts::mediumDate(QDate(2024, 5, 5)), date);
        QCOMPARE(DateTexts::shortTime(QTime(15, 4, 9)), time);
        QCOMPARE(DateTexts::mediumDateTime(test::localTime(2024, 5, 5, 15, 4, 9)), date + u' ' + time);
    }
};

QTEST_GUILESS_MAIN(DateTextsTest)
#include "DateTextsTest.moc"
