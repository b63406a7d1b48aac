#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QList>
#include <optional>

namespace devnook::SignalCacheFile {

// The elements of the cache file's JSON array as their own bytes, oldest
// first, without building the whole document; none unless the text is one
// array of signals in the cache file's form.
std::optional<QList<QByteArray>> splitSignals(QByteArrayView json);

// The signals of the file, which is removed once read; a file that cannot
// be split is copied aside first and gives none. Safe on any thread.
QList<QByteArray> takeSignals(const QString &path, const QDateTime &now);

// The signals as one JSON array.
QByteArray joinSignals(const QList<QByteArray> &signalList);

} // namespace devnook::SignalCacheFile
