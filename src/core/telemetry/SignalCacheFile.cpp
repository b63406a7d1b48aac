#include "SignalCacheFile.h"

#include "SignalPostBody.h"
#include "core/foundation/FileSafety.h"
#include "core/projects/JsonArraySalvage.h"

#include <QFile>
#include <QtEndian>

namespace devnook::SignalCacheFile {

namespace {

// The text's length, which qCompress puts in front of the packed bytes.
qsizetype unpackedSize(const QByteArray &packed)
{
    return packed.size() < 4 ? 0 : qsizetype(qFromBigEndian<quint32>(packed.constData()));
}

} // namespace

QByteArray pack(QByteArrayView text)
{
    QByteArray packed = qCompress(reinterpret_cast<const uchar *>(text.data()), text.size());
    packed.squeeze();
    return packed;
}

QByteArray unpack(const QByteArray &packed)
{
    return qUncompress(packed);
}

std::optional<QList<QByteArray>> splitSignals(QByteArrayView json)
{
    const auto pieces = JsonArraySalvage::split(json);
    if (!pieces || pieces->hasRemainder || !pieces->unseparated.isEmpty())
        return std::nullopt;
    QList<QByteArray> signalList;
    signalList.reserve(pieces->elements.size());
    for (const QByteArrayView element : pieces->elements) {
        // Checked in place, then packed, so the packed copy can take the
        // memory the check has just freed and the file's bytes can go.
        if (!SignalPostBody::fromCacheBytes(QByteArray::fromRawData(element.data(), element.size())))
            return std::nullopt;
        signalList.append(pack(element));
    }
    return signalList;
}

QList<QByteArray> takeSignals(const QString &path, const QDateTime &now)
{
    // Anything but a regular file is left where it is, unread; the save at
    // quit refuses it too.
    QFile file;
    if (!FileSafety::openForReading(file, path))
        return {};
    // Mapped rather than read, so the whole file never sits in the heap
    // beside the signals taken from it.
    std::optional<QList<QByteArray>> taken;
    if (const qint64 size = file.size(); uchar *mapped = size > 0 ? file.map(0, size) : nullptr) {
        taken = splitSignals(QByteArrayView(mapped, size));
        file.unmap(mapped);
    } else {
        taken = splitSignals(file.readAll());
    }
    file.close();
    // A damaged file is kept for inspection, then cleared like a read one so
    // that the next quit can write the cache again.
    if (!taken)
        (void)FileSafety::copyAside(path, now);
    QFile::remove(path);
    return taken.value_or(QList<QByteArray>());
}

QByteArray joinSignals(const QList<QByteArray> &packedSignals)
{
    qsizetype size = 2 + std::max<qsizetype>(0, packedSignals.size() - 1);
    for (const QByteArray &packed : packedSignals)
        size += unpackedSize(packed);
    QByteArray json;
    json.reserve(size);
    json.append('[');
    for (qsizetype index = 0; index < packedSignals.size(); ++index) {
        if (index > 0)
            json.append(',');
        json.append(unpack(packedSignals[index]));
    }
    json.append(']');
    return json;
}

} // namespace devnook::SignalCacheFile
