#include "core/foundation/FileSafety.h"
#include "core/foundation/JsonObjectReader.h"
#include "core/foundation/KeyValueStore.h"
#include "core/foundation/L10n.h"
#include "core/foundation/Timestamp.h"
#include "core/foundation/UuidText.h"
#include "support/FileSizeLimit.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <cstring>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace devnook;

class FoundationTest : public QObject {
    Q_OBJECT

private:
    static QJsonObject readTable(const QString &path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            qFatal("cannot read %s", qPrintable(path));
        return QJsonDocument::fromJson(file.readAll()).object();
    }

private Q_SLOTS:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void timestampsMapToTheReferenceDate()
    {
        const QDateTime reference(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);
        QCOMPARE(Timestamp::fromDateTime(reference).secondsSinceReference(), 0.0);
        QCOMPARE(Timestamp::fromSecondsSinceReference(86400.5).toDateTime(), reference.addMSecs(86400500));
        const QDateTime before(QDate(1999, 12, 31), QTime(23, 0), Qt::UTC);
        QCOMPARE(Timestamp::fromDateTime(before).secondsSinceReference(), -366.0 * 86400.0 - 3600.0);
    }

    void uuidText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("upper") << u"E621E1F8-C36C-495A-93FC-0C247A3E6E5F"_s << true;
        QTest::newRow("lower") << u"e621e1f8-c36c-495a-93fc-0c247a3e6e5f"_s << true;
        QTest::newRow("braces") << u"{E621E1F8-C36C-495A-93FC-0C247A3E6E5F}"_s << false;
        QTest::newRow("no hyphens") << u"E621E1F8C36C495A93FC0C247A3E6E5F"_s << false;
        QTest::newRow("hyphen moved") << u"E621E1F-8C36C-495A-93FC-0C247A3E6E5F"_s << false;
        QTest::newRow("not hex") << u"G621E1F8-C36C-495A-93FC-0C247A3E6E5F"_s << false;
        QTest::newRow("too long") << u"E621E1F8-C36C-495A-93FC-0C247A3E6E5FA"_s << false;
        QTest::newRow("empty") << QString() << false;
    }

    void uuidText()
    {
        QFETCH(QString, text);
        QFETCH(bool, accepted);
        const auto uuid = UuidText::parse(text);
        QCOMPARE(uuid.has_value(), accepted);
        if (accepted)
            QCOMPARE(UuidText::format(*uuid), text.toUpper());
    }

    void jsonReaderTreatsNullAsAbsentAndTypesStrictly()
    {
        const QJsonObject object =
            QJsonDocument::fromJson(R"({"a": null, "b": "text", "c": 3, "d": true})").object();
        JsonObjectReader reader(object);
        QCOMPARE(reader.string(u"a"_s, u"fallback"_s), u"fallback"_s);
        QCOMPARE(reader.requiredString(u"b"_s), u"text"_s);
        QCOMPARE(reader.requiredNumber(u"c"_s), 3.0);
        QVERIFY(reader.requiredBool(u"d"_s));
        QVERIFY(reader.ok());

        JsonObjectReader nullRequired(object);
        nullRequired.requiredString(u"a"_s);
        QVERIFY(nullRequired.error().contains(u"\"a\""_s));

        JsonObjectReader wrongType(object);
        QVERIFY(!wrongType.optionalBool(u"c"_s));
        QVERIFY(!wrongType.ok());
        // The first error stays even when later reads fail differently.
        wrongType.requiredString(u"missing"_s);
        QVERIFY(wrongType.error().contains(u"\"c\""_s));

        JsonObjectReader stringIsNoNumber(object);
        stringIsNoNumber.optionalNumber(u"b"_s);
        QVERIFY(!stringIsNoNumber.ok());
    }

    void atomicWriteLeavesTheOldFileWhenItFails()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"file.json"_s);
        QVERIFY(FileSafety::writeAtomically(path, "old").isOk());
        QVERIFY(FileSafety::writeAtomically(path, "new").isOk());
        QCOMPARE(test::readFile(path), QByteArray("new"));

        const QByteArray large(4096, 'x');
        Result<void> failed = Result<void>::success();
        {
            test::FileSizeLimit limit(16);
            failed = FileSafety::writeAtomically(path, large);
        }
        QVERIFY(!failed.isOk() && !failed.error().isEmpty());
        QCOMPARE(test::readFile(path), QByteArray("new"));
        QVERIFY(!FileSafety::writeAtomically(dir.filePath(u"file.json/inside.json"_s), "y").isOk());
    }

    void copyAsideNeverOverwritesAnEarlierCopy()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"projects.json"_s);
        const QDateTime now(QDate(2026, 3, 4), QTime(5, 6, 7), Qt::UTC);
        test::writeFile(path, "first");
        const auto first = FileSafety::copyAside(path, now);
        QCOMPARE(first.value(), path + u".unreadable-20260304-050607"_s);
        test::writeFile(path, "second");
        const auto second = FileSafety::copyAside(path, now);
        QCOMPARE(second.value(), path + u".unreadable-20260304-050607-2"_s);
        QCOMPARE(test::readFile(first.value()), QByteArray("first"));
        QCOMPARE(test::readFile(second.value()), QByteArray("second"));
        QCOMPARE(test::readFile(path), QByteArray("second"));

        QVERIFY(!FileSafety::copyAside(dir.filePath(u"missing.json"_s), now).isOk());
    }

    // A copy aside or a write that the system refuses fails with the
    // system's own reason, and leaves no partial copy behind.
    void refusedWritesSayWhy()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"projects.json"_s);
        test::writeFile(path, QByteArray(200 * 1024, 'x'));
        const QDateTime now(QDate(2026, 3, 4), QTime(5, 6, 7), Qt::UTC);
        Result<QString> copy = Result<QString>::success({});
        Result<void> written = Result<void>::success();
        {
            test::FileSizeLimit limit(100 * 1024);
            copy = FileSafety::copyAside(path, now);
            written = FileSafety::writeAtomically(dir.filePath(u"other.json"_s), QByteArray(200 * 1024, 'y'));
        }
        const QString tooLarge = QString::fromLocal8Bit(std::strerror(EFBIG));
        QCOMPARE(copy.isOk() ? QString() : copy.error(), tooLarge);
        QCOMPARE(written.isOk() ? QString() : written.error(), tooLarge);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"projects.json"_s});
    }

    // A full disk, on a file system of 64 KiB in a mount namespace of this
    // thread alone; only root may make one.
    void aFullDiskSaysSo()
    {
        QTemporaryDir dir;
        const QByteArray small = dir.filePath(u"small"_s).toLocal8Bit();
        QVERIFY(QDir().mkpath(QString::fromLocal8Bit(small)));
        if (geteuid() != 0 || unshare(CLONE_NEWNS) != 0 ||
            mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            mount("tmpfs", small.constData(), "tmpfs", 0, "size=64k") != 0)
            QSKIP("a small file system needs root and a mount namespace");
        const auto unmount = qScopeGuard([&] { umount2(small.constData(), MNT_DETACH); });
        const QString path = QString::fromLocal8Bit(small) + u"/usage_sessions.json"_s;
        test::writeFile(path, QByteArray(40 * 1024, 'x'));
        const auto copy = FileSafety::copyAside(path, QDateTime::currentDateTimeUtc());
        const auto written = FileSafety::writeAtomically(path, QByteArray(40 * 1024, 'y'));
        const QString full = QString::fromLocal8Bit(std::strerror(ENOSPC));
        QCOMPARE(copy.isOk() ? QString() : copy.error(), full);
        QCOMPARE(written.isOk() ? QString() : written.error(), full);
        QCOMPARE(test::readFile(path), QByteArray(40 * 1024, 'x'));
    }

    void settingsStoreKeepsDottedKeysAcrossInstances()
    {
        QTemporaryDir dir;
        const QString ini = dir.filePath(u"Devnook.conf"_s);
        {
            SettingsKeyValueStore store(ini);
            QVERIFY(!store.contains(u"Devnook.theme"_s));
            store.setValue(u"Devnook.theme"_s, u"dark"_s);
            store.setValue(u"Devnook.pauseUsageTrackingWhenIdle"_s, true);
        }
        SettingsKeyValueStore reopened(ini);
        QCOMPARE(reopened.stringValue(u"Devnook.theme"_s), u"dark"_s);
        QVERIFY(reopened.value(u"Devnook.pauseUsageTrackingWhenIdle"_s).toBool());
        reopened.remove(u"Devnook.theme"_s);
        QVERIFY(!reopened.contains(u"Devnook.theme"_s));

        qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
        SettingsKeyValueStore().setValue(u"Devnook.theme"_s, u"light"_s);
        QVERIFY(test::readFile(dir.filePath(u"Devnook/Devnook.conf"_s)).contains("Devnook.theme=light"));
    }
    void languageChoice_data()
    {
        QTest::addColumn<QStringList>("preferred");
        QTest::addColumn<QString>("language");
        QTest::newRow("catalan of spain") << QStringList{u"ca-ES"_s} << u"ca"_s;
        QTest::newRow("catalan upper case") << QStringList{u"CA-es"_s} << u"ca"_s;
        QTest::newRow("empty entries skipped") << QStringList{QString(), u"ca"_s} << u"ca"_s;
        QTest::newRow("spanish then catalan") << QStringList{u"es-ES"_s, u"ca-ES"_s} << u"en"_s;
        QTest::newRow("empty list") << QStringList{} << u"en"_s;
    }

    void languageChoice()
    {
        QFETCH(QStringList, preferred);
        QFETCH(QString, language);
        QCOMPARE(L10n::languageFor(preferred), language);
    }

    // A missing key shows the key.
    void lookupFollowsTheDefaultLocale()
    {
        QLocale::setDefault(QLocale(u"en_US"_s));
        QCOMPARE(L10n::text(u"theme_dark"_s), u"Dark"_s);
        QLocale::setDefault(QLocale(u"ca_ES"_s));
        QCOMPARE(L10n::text(u"theme_dark"_s), u"Fosc"_s);
        QCOMPARE(L10n::text(u"no_such_key_anywhere"_s), u"no_such_key_anywhere"_s);
    }

    // Every table of the source tree, as the resources are built from it.
    void everyTableHasTheSameKeysInBothLanguages()
    {
        const QDir english(QStringLiteral(DEVNOOK_L10N_DIR "/en"));
        const QStringList tables = english.entryList({u"*.json"_s}, QDir::Files);
        QVERIFY(!tables.isEmpty());
        QCOMPARE(QDir(QStringLiteral(DEVNOOK_L10N_DIR "/ca")).entryList({u"*.json"_s}, QDir::Files), tables);
        for (const QString &table : tables) {
            const QJsonObject en = readTable(english.filePath(table));
            const QJsonObject ca = readTable(QStringLiteral(DEVNOOK_L10N_DIR "/ca/") + table);
            QCOMPARE(ca.keys(), en.keys());
            for (const QString &key : ca.keys()) {
                // A key with plural forms has both forms in both languages.
                const QJsonValue text = ca.value(key);
                const bool plural = en.value(key).isObject();
                const bool complete = plural ? text.isObject() && !text[u"one"_s].toString().isEmpty() &&
                                                   !text[u"other"_s].toString().isEmpty() &&
                                                   !en.value(key)[u"one"_s].toString().isEmpty() &&
                                                   !en.value(key)[u"other"_s].toString().isEmpty()
                                             : !text.toString().isEmpty();
                QVERIFY2(complete, qPrintable(table + u": "_s + key));
            }
        }
    }

    // The tables of a language make one table, so a key that two of them
    // hold must mean one text, or the table read last would win.
    void aKeyHasOneTextInEveryTable_data()
    {
        QTest::addColumn<QString>("language");
        QTest::newRow("english") << u"en"_s;
        QTest::newRow("catalan") << u"ca"_s;
    }
    void aKeyHasOneTextInEveryTable()
    {
        QFETCH(QString, language);
        const QDir folder(QStringLiteral(DEVNOOK_L10N_DIR "/") + language);
        QHash<QString, std::pair<QString, QString>> seen; // key -> table, text
        for (const QString &table : folder.entryList({u"*.json"_s}, QDir::Files, QDir::Name)) {
            const QJsonObject texts = readTable(folder.filePath(table));
            for (auto it = texts.begin(); it != texts.end(); ++it) {
                const QString text = it.value().isObject()
                                         ? QString::fromUtf8(QJsonDocument(it.value().toObject()).toJson())
                                         : it.value().toString();
                const auto [earlierTable, earlierText] = seen.value(it.key(), {table, text});
                QVERIFY2(earlierText == text, qPrintable(u"%1: \"%2\" in %3, \"%4\" in %5"_s.arg(
                                                  it.key(), earlierText, earlierTable, text, table)));
                seen.insert(it.key(), {table, text});
            }
        }
        QVERIFY(seen.size() > 100);
    }

    void countWordsAgreeWithTheirNumber_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("text");
        QTest::newRow("en 0") << u"en_US"_s << 0 << u"and 0 more sessions"_s;
        QTest::newRow("en 1") << u"en_US"_s << 1 << u"and 1 more session"_s;
        QTest::newRow("en 2") << u"en_US"_s << 2 << u"and 2 more sessions"_s;
        QTest::newRow("ca 1") << u"ca_ES"_s << 1 << u"i 1 sessió més"_s;
        QTest::newRow("ca 21") << u"ca_ES"_s << 21 << u"i 21 sessions més"_s;
    }
    void countWordsAgreeWithTheirNumber()
    {
        QFETCH(QString, locale);
        QFETCH(int, count);
        QFETCH(QString, text);
        QLocale::setDefault(QLocale(locale));
        QCOMPARE(L10n::plural(u"usage_sessions_unreadable_more"_s, count), text);
        // A key of one text serves every count; a plural key read as a text
        // gives its general form.
        QCOMPARE(L10n::plural(u"could_not_save_projects"_s, 1),
                 L10n::format(u"could_not_save_projects"_s, {u"1"_s}));
        QVERIFY(L10n::text(u"usage_sessions_unreadable"_s).contains(u"%1"_s));
    }

    void substitutionIsOnePass()
    {
        QCOMPARE(L10n::substitute(u"%1 and %2"_s, {u"%2"_s, u"x"_s}), u"%2 and x"_s);
        QCOMPARE(L10n::substitute(u"%1%%"_s, {u"12.5"_s}), u"12.5%%"_s);
        QCOMPARE(L10n::substitute(u"%1 %3"_s, {u"a"_s}), u"a %3"_s);
        QCOMPARE(L10n::substitute(u"100%"_s, {u"a"_s}), u"100%"_s);
        QLocale::setDefault(QLocale(u"en_US"_s));
        QCOMPARE(L10n::format(u"could_not_save_projects"_s, {u"disk %1 full"_s}),
                 u"Could not save projects: disk %1 full"_s);
    }
};

QTEST_GUILESS_MAIN(FoundationTest)
#include "FoundationTest.moc"
