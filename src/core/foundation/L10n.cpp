#include "L10n.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>

using namespace Qt::StringLiterals;

namespace devnook::L10n {

namespace {

struct Table {
    // Every key's text; a plural key's "other" form.
    QHash<QString, QString> texts;
    // The "one" forms of the plural keys.
    QHash<QString, QString> ones;
};

// Each feature brings its own table file under :/l10n/<language>/; the
// language's table is all of them together.
Table loadTable(const QString &language)
{
    Table table;
    const QDir folder(u":/l10n/"_s + language);
    const QStringList files = folder.entryList({u"*.json"_s}, QDir::Files, QDir::Name);
    for (const QString &name : files) {
        QFile file(folder.filePath(name));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QJsonObject object = QJsonDocument::fromJson(file.readAll()).object();
        for (auto it = object.begin(); it != object.end(); ++it) {
            if (!it.value().isObject()) {
                table.texts.insert(it.key(), it.value().toString());
                continue;
            }
            const QJsonObject forms = it.value().toObject();
            table.texts.insert(it.key(), forms.value(u"other"_s).toString());
            table.ones.insert(it.key(), forms.value(u"one"_s).toString());
        }
    }
    return table;
}

// Each table is read the first time its language is asked for; most runs
// never need the other one.
const Table &tableFor(const QString &language)
{
    if (language == u"ca") {
        static const Table catalan = loadTable(u"ca"_s);
        return catalan;
    }
    static const Table english = loadTable(u"en"_s);
    return english;
}

} // namespace

QString languageFor(const QStringList &preferredLanguages)
{
    for (const QString &language : preferredLanguages) {
        if (language.isEmpty())
            continue;
        return language.toLower().startsWith(u"ca") ? u"ca"_s : u"en"_s;
    }
    return u"en"_s;
}

QString currentLanguage()
{
    return languageFor(QLocale().uiLanguages());
}

QString text(const QString &key)
{
    const Table &table = tableFor(currentLanguage());
    const auto it = table.texts.constFind(key);
    return it == table.texts.cend() || it->isEmpty() ? key : *it;
}

QString substitute(const QString &pattern, const QStringList &arguments)
{
    QString result;
    result.reserve(pattern.size());
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern[i];
        if (c == u'%' && i + 1 < pattern.size()) {
            const int index = pattern[i + 1].digitValue();
            if (index >= 1 && index <= arguments.size()) {
                result += arguments[index - 1];
                ++i;
                continue;
            }
        }
        result += c;
    }
    return result;
}

QString format(const QString &key, const QStringList &arguments)
{
    return substitute(text(key), arguments);
}

QString plural(const QString &key, qint64 count, const QStringList &arguments)
{
    const QStringList filled = QStringList{QString::number(count)} + arguments;
    if (count == 1) {
        const Table &table = tableFor(currentLanguage());
        const auto one = table.ones.constFind(key);
        if (one != table.ones.cend() && !one->isEmpty())
            return substitute(*one, filled);
    }
    return format(key, filled);
}

} // namespace devnook::L10n
