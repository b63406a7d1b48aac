#include "JsonArraySalvage.h"

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
        } else if (c == ',' && depth == 0) {
            return at;
        }
    }
    return json.size();
}

std::optional<Pieces> split(QByteArrayView json)
{
    qsizetype at = skipSpace(json, afterByteOrderMark(json));
    if (at == json.size() || json[at] != '[')
        return std::nullopt;
    Pieces pieces;
    at = skipSpace(json, at + 1);
    while (at < json.size() && json[at] != ']') {
        const qsizetype end = elementEnd(json, at);
        if (end == json.size()) {
            pieces.hasRemainder = true;
            return pieces;
        }
        pieces.elements.append(json.sliced(at, end - at).trimmed());
        at = json[end] == ',' ? skipSpace(json, end + 1) : end;
    }
    // Without its closing bracket the array was cut, maybe right after a comma.
    pieces.hasRemainder = at == json.size() || skipSpace(json, at + 1) < json.size();
    return pieces;
}

} // namespace devnook::JsonArraySalvage
