#pragma once

#include <QByteArrayView>
#include <QList>
#include <functional>
#include <optional>
#include <span>

namespace devnook::JsonArraySalvage {

// The parts of a text meant to hold one JSON array that does not parse as a
// whole, such as a file cut short.
struct Pieces {
    // The text of each element whose brackets close before the next
    // top-level comma or the array's end, in order; an element may still be
    // invalid on its own.
    QList<QByteArrayView> elements;
    // The indexes of the elements that end where the next object starts,
    // with no comma between them.
    QList<qsizetype> unseparated;
    // True when the array is cut short (an element cut off, or no closing
    // bracket) or followed by more text.
    bool hasRemainder = false;
    // The element cut off, or the text after the array.
    QByteArrayView remainder;
};

// Splits the array at its top-level commas, outside strings, and where an
// object follows an element with no comma between them; nothing when
// the text, after a byte-order mark and white space, does not begin with "[".
// Given isWhole, an element it refuses ends where recordStartWithin finds the
// next record, so that a bracket or string left open costs that element alone.
std::optional<Pieces> split(QByteArrayView json, const std::function<bool(QByteArrayView)> &isWhole = {});

// Where the text after a leading UTF-8 byte-order mark starts: 3 when one
// leads, else 0. Some editors write one.
qsizetype afterByteOrderMark(QByteArrayView json);

// Where the JSON white space that starts at `at` ends.
qsizetype skipSpace(QByteArrayView json, qsizetype at);

// Where the element that starts at `at` ends: the offset of the top-level
// comma or closing bracket (or, given '}', closing brace) after it, outside
// strings, or the text's size when the text ends first. Nesting of any depth
// is counted, never recursed into. In an array, an object that starts right
// after the element's brackets close, its comma missing, ends the element
// too: the offset is then the object's "{".
qsizetype elementEnd(QByteArrayView json, qsizetype at, char closing = ']');

// The start of the next record after the element that starts at `at` and,
// by its brackets, ends at `end`, when the element runs over one; -1 when it
// does not. Devnook writes each record of an array on lines of its own, its
// "{" at the indentation of the first element (which starts at `first`) and
// what it nests deeper, so a record starts at a "{" with exactly that
// indentation, on the line after a comma, or after a closing brace when the
// comma is missing. A file whose first element does not start a line of its
// own has no such layout: -1.
qsizetype recordStartWithin(QByteArrayView json, qsizetype first, qsizetype at, qsizetype end);

// How many records a broken stretch of an array holds, at the least one. Its
// brackets cannot be trusted, so the records are counted by keys that each
// of them has and nothing they nest has: by the key found most often, so
// that a record whose key the damage took still counts.
int recordsWithin(QByteArrayView text, std::span<const QByteArrayView> keys);

} // namespace devnook::JsonArraySalvage
