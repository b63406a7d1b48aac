#include "SignalCacheFile.h"

#include "SignalPostBody.h"
#include "core/foundation/FileSafety.h"

#include <QFile>
#include <QtEndian>

namespace devnook::SignalCacheFile {

namespace {

bool isJsonSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

qsizetype skipSpace(QByteArrayView json, qsizetype at)
{
    while (at < json.size() && isJsonSpace(json[at]))
        ++at;
    return at;
}

// The end of the object that begins at `at`, just past its closing brace;
// none when the text ends first.
std::optional<qsizetype> objectEnd(QByteArrayView json, qsizetype at)
{
    int depth = 0;
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
        } else if ((c == '}' || c == ']') && --depth == 0) {
            return at + 1;
        }
    }
    return std::nullopt;
}

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
    qsizetype at = skipSpace(json, 0);
    if (at >= json.size() || json[at] != '[')
        return std::nullopt;
    at = skipSpace(json, at + 1);
    QList<QByteArray> signalList;
    bool more = at < json.size() && json[at] != ']';
    while (more) {
        if (at >= json.size() || json[at] != '{')
            return std::nullopt;
        const auto end = objectEnd(json, at);
        if (!end)
            return std::nullopt;
        // Checked in place, then packed, so the packed copy can take the
        // memory the check has just freed and the file's bytes can go.
        const QByteArray element = QByteArray::fromRawData(json.data() + at, *end - at);
        if (!SignalPostBody::fromCacheBytes(element))
            return std::nullopt;
        signalList.append(pack(element));
        at = skipSpace(json, *end);
        more = at < json.size() && json[at] == ',';
        if (more)
            at = skipSpace(json, at + 1);
    }
    if (at >= json.size() || json[at] != ']' || skipSpace(json, at + 1) != json.size())
        return std::nullopt;
    return signalList;
}

QList<QByteArray> takeSignals(const QString &path, const QDateTime &now)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // Mapped rather than read, so the whole file never sits in the heap
    // beside the signals taken from it.
    std::optional<QList<QByteArray>> taken;
    if (const qint64 size = file.size(); const uchar *mapped = size > 0 ? file.map(0, size) : nullptr) {
        taken = splitSignals(QByteArrayView(mapped, size));
        file.unmap(const_cast<uchar *>(mapped));
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
