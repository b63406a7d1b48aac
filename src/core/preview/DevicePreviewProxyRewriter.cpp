#include "DevicePreviewProxyRewriter.h"

using namespace Qt::StringLiterals;

namespace devnook::DevicePreviewProxyRewriter {

namespace {

QString escapedSlashes(QString origin)
{
    return origin.replace(u'/', u"\\/"_s);
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
    for (const DevicePreviewURLReplacement &pair : replacements) {
        if (!pair.destinationOrigin.isEmpty())
            text.replace(pair.destinationOrigin, pair.sourceOrigin);
    }
    return text;
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
