#include "JsonArraySalvage.h"

#include <algorithm>

namespace devnook::JsonArraySalvage {

qsizetype afterByteOrderMark(QByteArrayView json)
{
    return json.startsWith("\xEF\xBB\xBF") ? 3 : 0;
}

qsizetype skipSpace(QByteArrayView json, qsizetype at)
{
    const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    while (at < json.size() && isSpace(json[at]))
        ++at;
    return at;
}

qsizetype elementEnd(QByteArrayView json, qsizetype at, char closing)
{
    qsizetype depth = 0;
    bool inString = false;
    for (; at < json.size(); ++at) {
        const char c = json[at];
        if (inString) {
            if (c == '\\')
                ++at;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '{' || c == '[') {
            ++depth;
        } else if (c == '}' || c == ']') {
            // A stray bracket stays in the element, which then fails on its own.
            if (depth > 0)
                --depth;
            else if (c == closing)
                return at;
            // An edit that drops the comma between two records of an array
            // leaves them whole.
            if (depth == 0 && closing == ']') {
                const qsizetype next = skipSpace(json, at + 1);
                if (next < json.size() && json[next] == '{')
                    return next;
            }
        } else if (c == ',' && depth == 0) {
            return at;
        }
    }
    return json.size();
}

qsizetype recordStartWithin(QByteArrayView json, qsizetype first, qsizetype at, qsizetype end)
{
    const auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
    qsizetype lineStart = first;
    while (lineStart > 0 && isBlank(json[lineStart - 1]))
        --lineStart;
    if (lineStart == 0 || json[lineStart - 1] != '\n')
        return -1;
    const QByteArray opening = '\n' + json.sliced(lineStart, first - lineStart).toByteArray() + '{';
    for (qsizetype found = json.indexOf(opening, at); found >= 0 && found + opening.size() <= end;
         found = json.indexOf(opening, found + 1)) {
        qsizetype before = found;
        while (before > 0 &&
               (isBlank(json[before - 1]) || json[before - 1] == '\n' || json[before - 1] == '\r'))
            --before;
        if (before > 0 && (json[before - 1] == ',' || json[before - 1] == '}'))
            return found + opening.size() - 1;
    }
    return -1;
}

std::optional<Pieces> split(QByteArrayView json, const std::function<bool(QByteArrayView)> &isWhole)
{
    qsizetype at = skipSpace(json, afterByteOrderMark(json));
    if (at == json.size() || json[at] != '[')
        return std::nullopt;
    Pieces pieces;
    at = skipSpace(json, at + 1);
    const qsizetype first = at;
    while (at < json.size() && json[at] != ']') {
        const qsizetype end = elementEnd(json, at);
        // Only an element that runs over the start of a record is read here;
        // in a file of Devnook's layout no whole one does.
        const qsizetype next = isWhole ? recordStartWithin(json, first, at, end) : -1;
        if (next >= 0 && !isWhole(json.sliced(at, end - at))) {
            pieces.elements.append(json.sliced(at, next - at).trimmed());
            at = next;
            continue;
        }
        if (end == json.size()) {
            pieces.hasRemainder = true;
            pieces.remainder = json.sliced(at);
            return pieces;
        }
        pieces.elements.append(json.sliced(at, end - at).trimmed());
        if (json[end] == '{')
            pieces.unseparated.append(pieces.elements.size() - 1);
        at = json[end] == ',' ? skipSpace(json, end + 1) : end;
    }
    // Without its closing bracket the array was cut, maybe right after a comma.
    const qsizetype after = std::min(at + 1, json.size());
    pieces.hasRemainder = at == json.size() || skipSpace(json, after) < json.size();
    pieces.remainder = json.sliced(after);
    return pieces;
}

int recordsWithin(QByteArrayView text, std::span<const QByteArrayView> keys)
{
    int records = 1;
    for (const QByteArrayView key : keys) {
        const QByteArray quoted = '"' + key.toByteArray() + '"';
        int found = 0;
        for (qsizetype at = text.indexOf(quoted); at >= 0; at = text.indexOf(quoted, at + 1)) {
            // An escaped quote is inside a text, and a key is followed by its colon.
            const qsizetype after = skipSpace(text, at + quoted.size());
            if ((at == 0 || text[at - 1] != '\\') && after < text.size() && text[after] == ':')
                ++found;
        }
        records = std::max(records, found);
    }
    return records;
}

} // namespace devnook::JsonArraySalvage
