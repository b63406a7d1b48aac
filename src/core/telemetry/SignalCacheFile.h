#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QList>
#include <optional>

// The unsent signals as the cache keeps them: each signal's cache file text,
// compressed in memory, and one JSON array of those texts on disk.
namespace devnook::SignalCacheFile {

// A signal's text compressed, with no spare capacity: about a third of it.
QByteArray pack(QByteArrayView text);
// The text of a packed signal.
QByteArray unpack(const QByteArray &packed);

// The elements of the cache file's JSON array, packed, oldest first, without
// building the whole document; none unless the text is one array of signals
// in the cache file's form.
std::optional<QList<QByteArray>> splitSignals(QByteArrayView json);

// The packed signals of the file, which is removed once read; a file that
// cannot be split is copied aside first and gives none. Safe on any thread.
QList<QByteArray> takeSignals(const QString &path, const QDateTime &now);

// The packed signals' texts as one JSON array.
QByteArray joinSignals(const QList<QByteArray> &packedSignals);

} // namespace devnook::SignalCacheFile
