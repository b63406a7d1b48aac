#include "DateTexts.h"

#include <QList>

using namespace Qt::StringLiterals;

namespace devnook::DateTexts {

namespace {

// One piece of a QLocale pattern: a run of one field letter, a quoted
// literal, or other literal characters.
struct Piece {
    enum class Kind { field, quoted, literal };
    Kind kind;
    QString text;
};

bool isFieldLetter(QChar c)
{
    return QStringView(u"dMyhHmszaApt").contains(c);
}

QList<Piece> pieces(const QString &pattern)
{
    QList<Piece> result;
    for (qsizetype i = 0; i < pattern.size();) {
        const QChar c = pattern[i];
        qsizetype end = i + 1;
        Piece::Kind kind = Piece::Kind::literal;
        if (c == u'\'') {
            kind = Piece::Kind::quoted;
            // Two quotes inside a quoted text stand for one.
            while (end < pattern.size()) {
                if (pattern[end] == u'\'' && (end + 1 >= pattern.size() || pattern[end + 1] != u'\'')) {
                    ++end;
                    break;
                }
                end += pattern[end] == u'\'' ? 2 : 1;
            }
        } else if (isFieldLetter(c)) {
            kind = Piece::Kind::field;
            while (end < pattern.size() && pattern[end] == c)
                ++end;
        } else {
            while (end < pattern.size() && pattern[end] != u'\'' && !isFieldLetter(pattern[end]))
                ++end;
        }
        result.append(Piece{kind, pattern.sliced(i, end - i)});
        i = end;
    }
    return result;
}

// Drops the fields the predicate names, each with the separator characters
// that join it to the rest: those after it when it leads, else those before
// it ("dddd, " and ", dddd" go whole, "d., dddd" keeps the point).
QString withoutFields(const QString &pattern, bool (*drop)(const QString &field), QStringView separators)
{
    QList<Piece> parts = pieces(pattern);
    for (qsizetype i = 0; i < parts.size();) {
        if (parts[i].kind != Piece::Kind::field || !drop(parts[i].text)) {
            ++i;
            continue;
        }
        parts.remove(i);
        const bool leads = i == 0;
        const qsizetype neighbour = leads ? i : i - 1;
        if (neighbour < parts.size() && parts[neighbour].kind == Piece::Kind::literal) {
            QString &text = parts[neighbour].text;
            if (leads) {
                while (!text.isEmpty() && separators.contains(text.front()))
                    text.remove(0, 1);
            } else {
                while (!text.isEmpty() && separators.contains(text.back()))
                    text.chop(1);
            }
        }
    }
    QString result;
    for (const Piece &part : std::as_const(parts))
        result += part.text;
    return result.trimmed();
}

} // namespace

QString mediumDateFormat(const QLocale &locale)
{
    QString format = withoutFields(
        locale.dateFormat(QLocale::LongFormat),
        [](const QString &field) { return field.startsWith(u'd') && field.size() >= 3; }, u" ,\u060C\u3001");
    QList<Piece> parts = pieces(format);
    format.clear();
    for (const Piece &part : std::as_const(parts))
        format += part.kind == Piece::Kind::field && part.text == u"MMMM"_s ? u"MMM"_s : part.text;
    return format;
}

QString shortTimeFormat(const QLocale &locale)
{
    return withoutFields(
        locale.timeFormat(QLocale::ShortFormat),
        [](const QString &field) { return field.startsWith(u's') || field.startsWith(u'z'); }, u" :.");
}

QString mediumDateTimeFormat(const QLocale &locale)
{
    return mediumDateFormat(locale) + u' ' + shortTimeFormat(locale);
}

QString mediumDate(QDate date)
{
    const QLocale locale;
    return locale.toString(date, mediumDateFormat(locale));
}

QString shortTime(QTime time)
{
    const QLocale locale;
    return locale.toString(time, shortTimeFormat(locale));
}

QString mediumDateTime(Timestamp instant)
{
    const QLocale locale;
    return locale.toString(instant.toDateTime().toLocalTime(), mediumDateTimeFormat(locale));
}

} // namespace devnook::DateTexts
