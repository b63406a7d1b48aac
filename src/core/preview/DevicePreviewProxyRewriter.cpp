#include "DevicePreviewProxyRewriter.h"

using namespace Qt::StringLiterals;

namespace devnook::DevicePreviewProxyRewriter {

namespace {

QString escapedSlashes(QString origin)
{
    return origin.replace(u'/', u"\\/"_s);
}

// The longest end of data, short of a whole pattern, that the pattern starts with.
qsizetype partialMatchAtEnd(QByteArrayView data, QByteArrayView pattern)
{
    for (qsizetype length = std::min(pattern.size() - 1, data.size()); length > 0; --length) {
        if (data.last(length) == pattern.first(length))
            return length;
    }
    return 0;
}

} // namespace

QString rewritten(QString text, const QList<DevicePreviewURLReplacement> &replacements)
{
    for (const DevicePreviewURLReplacement &pair : replacements) {
        if (pair.sourceOrigin.isEmpty())
            continue;
        text.replace(pair.sourceOrigin, pair.destinationOrigin);
        text.replace(escapedSlashes(pair.sourceOrigin), escapedSlashes(pair.destinationOrigin));
    }
    return text;
}

QString toLocal(QString text, const QList<DevicePreviewURLReplacement> &replacements)
{
    // Every origin has "://"; most header values have nothing to map.
    if (!text.contains(u"://"))
        return text;
    for (const DevicePreviewURLReplacement &pair : replacements) {
        if (!pair.destinationOrigin.isEmpty())
            text.replace(pair.destinationOrigin, pair.sourceOrigin);
    }
    return text;
}

Stream::Stream(const QList<DevicePreviewURLReplacement> &replacements)
{
    for (const DevicePreviewURLReplacement &pair : replacements) {
        if (pair.sourceOrigin.isEmpty())
            continue;
        for (const bool escaped : {false, true}) {
            Stage stage;
            stage.from = (escaped ? escapedSlashes(pair.sourceOrigin) : pair.sourceOrigin).toUtf8();
            stage.to = (escaped ? escapedSlashes(pair.destinationOrigin) : pair.destinationOrigin).toUtf8();
            stage.matcher.setPattern(stage.from);
            m_stages.push_back(std::move(stage));
        }
    }
}

QByteArray Stream::feed(QByteArrayView bytes)
{
    return run(bytes.toByteArray(), false);
}

QByteArray Stream::finish()
{
    return run({}, true);
}

// Each stage works on what the stages before it gave out, as each pair works
// on the text the pairs before it left.
QByteArray Stream::run(QByteArray bytes, bool last)
{
    for (Stage &stage : m_stages) {
        const QByteArray data = stage.carry.isEmpty() ? std::move(bytes) : stage.carry + bytes;
        QByteArray out;
        out.reserve(data.size());
        qsizetype position = 0;
        for (qsizetype found = stage.matcher.indexIn(data, 0); found >= 0;
             found = stage.matcher.indexIn(data, position)) {
            out.append(QByteArrayView(data).sliced(position, found - position)).append(stage.to);
            position = found + stage.from.size();
        }
        // Only bytes that can still start a match wait for the next piece.
        const qsizetype kept =
            last ? 0 : partialMatchAtEnd(QByteArrayView(data).sliced(position), stage.from);
        out.append(QByteArrayView(data).sliced(position, data.size() - position - kept));
        stage.carry = data.last(kept);
        bytes = std::move(out);
    }
    return bytes;
}

QString previewCompatibleCookie(const QString &value)
{
    QStringList kept;
    for (const QString &piece : value.split(u';')) {
        QStringView trimmed = piece;
        while (!trimmed.isEmpty() && (trimmed.front() == u' ' || trimmed.front() == u'\t'))
            trimmed = trimmed.sliced(1);
        while (!trimmed.isEmpty() && (trimmed.back() == u' ' || trimmed.back() == u'\t'))
            trimmed.chop(1);
        const QString lower = trimmed.toString().toLower();
        if (lower.startsWith(u"domain=") || lower == u"secure" || lower == u"samesite=none")
            continue;
        kept.append(trimmed.toString());
    }
    return kept.join(u"; "_s);
}

} // namespace devnook::DevicePreviewProxyRewriter
