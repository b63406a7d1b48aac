#pragma once

#include <QString>
#include <QStringList>

namespace devnook::L10n {

// "ca" when the first non-empty preferred language begins with "ca" (any case),
// otherwise "en".
QString languageFor(const QStringList &preferredLanguages);

// The language of the default locale's preferred UI languages, chosen anew at
// each lookup.
QString currentLanguage();

// The text of a key in the current language; a key without a text is shown as
// the key itself.
QString text(const QString &key);

// Fills %1 to %9 of the pattern in one pass, so an argument that itself holds
// "%1" stays as it is. A placeholder without an argument stays too.
QString substitute(const QString &pattern, const QStringList &arguments);

// The text of a key with its placeholders filled.
QString format(const QString &key, const QStringList &arguments);

// The text of a key whose words agree with a count: the count fills %1 and
// the arguments %2 onwards. Such a key holds a text per plural form, "one"
// and "other"; English and Catalan take "one" for 1 alone. A key with one
// text serves every count, and text() gives a plural key's "other" form.
QString plural(const QString &key, qint64 count, const QStringList &arguments = {});

} // namespace devnook::L10n
