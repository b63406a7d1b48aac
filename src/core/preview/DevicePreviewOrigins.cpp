#include "DevicePreviewOrigins.h"

#include "core/foundation/Text.h"

#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace devnook::DevicePreviewOrigins {

namespace {

// Everything but these is escaped in a path or query; "%" stays so that
// escapes the device made are not escaped twice.
constexpr QByteArrayView kPathAndQueryChars = "!$&'()*+,;=:@/?%-._~";

// The target without scheme and authority, and without a fragment.
QString pathAndQuery(const QString &target)
{
    // Only a target with a scheme names an authority: "//a//b" is a path.
    static const QRegularExpression schemeAndSlashes(u"^[A-Za-z][A-Za-z0-9+.-]*://"_s);
    QString rest = target;
    if (const QRegularExpressionMatch match =
            rest.startsWith(u'/') ? QRegularExpressionMatch() : schemeAndSlashes.match(rest);
        match.hasMatch()) {
        rest = rest.sliced(match.capturedLength());
        const qsizetype authorityEnd = rest.indexOf(QRegularExpression(u"[/?#]"_s));
        rest = authorityEnd < 0 ? QString() : rest.sliced(authorityEnd);
    }
    if (const qsizetype fragment = rest.indexOf(u'#'); fragment >= 0)
        rest.truncate(fragment);
    if (!rest.startsWith(u'/'))
        rest.prepend(u'/');
    return rest;
}

QByteArray percentEncoded(const QByteArray &text)
{
    QByteArray encoded;
    for (const char c : text) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                           kPathAndQueryChars.contains(c);
        if (plain)
            encoded.append(c);
        else
            encoded.append('%').append(
                QByteArray::number(static_cast<uchar>(c), 16).rightJustified(2, '0').toUpper());
    }
    return encoded;
}

} // namespace

QString origin(const QUrl &url)
{
    QUrl components;
    components.setScheme(url.scheme());
    components.setHost(url.host());
    components.setPort(url.port());
    if (!components.isValid() || components.isEmpty())
        return url.toString();
    QString text = components.toString();
    while (text.startsWith(u'/'))
        text.remove(0, 1);
    while (text.endsWith(u'/'))
        text.chop(1);
    return text;
}

std::optional<QUrl> lanURL(const QUrl &localURL, const QString &address, quint16 port)
{
    if (Text::isBlank(address) || !localURL.isValid() || localURL.host().isEmpty())
        return std::nullopt;
    QUrl url = localURL;
    url.setScheme(u"http"_s);
    url.setHost(address);
    url.setPort(port);
    if (!url.isValid())
        return std::nullopt;
    return url;
}

std::optional<QUrl> destinationURL(const QString &target, const QUrl &localURL)
{
    if (localURL.scheme().isEmpty() || localURL.host().isEmpty())
        return std::nullopt;
    const QByteArray encoded = percentEncoded(pathAndQuery(target).toUtf8());
    QUrl url = QUrl::fromEncoded(origin(localURL).toUtf8() + encoded, QUrl::StrictMode);
    if (!url.isValid() || url.host() != localURL.host())
        return std::nullopt;
    return url;
}

} // namespace devnook::DevicePreviewOrigins
