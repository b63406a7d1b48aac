#include "core/foundation/L10n.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace devnook;

class L10nTest : public QObject {
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
            for (const QString &key : ca.keys())
                QVERIFY2(!ca.value(key).toString().isEmpty(), qPrintable(table + u": "_s + key));
        }
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

QTEST_GUILESS_MAIN(L10nTest)
#include "L10nTest.moc"
