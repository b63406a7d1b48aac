#include "URLParts.h"

#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace devnook {

namespace {

// Characters that may stand in a URL: unreserved, reserved and "%".
bool isURLCharacter(QChar c)
{
    if (c.unicode() > 0x7E || c.unicode() <= 0x20)
        return false;
    return c.isLetterOrNumber() || QStringView(u"-._~:/?#[]@!$&'()*+,;=%").contains(c);
}

} // namespace

std::optional<URLParts> URLParts::parse(QStringView text)
{
    if (!std::all_of(text.begin(), text.end(), isURLCharacter))
        return std::nullopt;
    static const QRegularExpression pattern(
        u"^([A-Za-z][A-Za-z0-9+.\\-]*):(?:\\/\\/([^/?#]*))?([^?#]*)(?:\\?([^#]*))?(?:#(.*))?$"_s);
    const QRegularExpressionMatch match = pattern.match(text.toString());
    if (!match.hasMatch())
        return std::nullopt;

    URLParts parts;
    parts.scheme = match.captured(1);
    parts.path = match.captured(3);
    if (match.capturedStart(4) >= 0)
        parts.query = match.captured(4);
    if (match.capturedStart(5) >= 0)
        parts.fragment = match.captured(5);
    if (match.capturedStart(2) < 0)
        return parts;

    QStringView authority = match.capturedView(2);
    if (const qsizetype at = authority.lastIndexOf(u'@'); at >= 0) {
        parts.userInfo = authority.first(at).toString();
        authority = authority.sliced(at + 1);
    }
    qsizetype hostEnd = authority.size();
    if (authority.startsWith(u'[')) {
        hostEnd = authority.indexOf(u']') + 1;
        if (hostEnd == 0)
            return std::nullopt;
    } else if (const qsizetype colon = authority.indexOf(u':'); colon >= 0) {
        hostEnd = colon;
    }
    parts.host = authority.first(hostEnd).toString();
    const QStringView rest = authority.sliced(hostEnd);
    if (!rest.isEmpty()) {
        const QStringView digits = rest.sliced(1);
        const bool allDigits =
            std::all_of(digits.begin(), digits.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
        if (!rest.startsWith(u':') || !allDigits)
            return std::nullopt;
        parts.port = digits.toString();
    }
    return parts;
}

std::optional<QString> URLParts::composed() const
{
    QString text = scheme + u':';
    if (host) {
        if (!path.isEmpty() && !path.startsWith(u'/'))
            return std::nullopt;
        text += u"//"_s;
        if (userInfo)
            text += *userInfo + u'@';
        text += *host;
        if (port)
            text += u':' + *port;
    }
    text += path;
    if (query)
        text += u'?' + *query;
    if (fragment)
        text += u'#' + *fragment;
    return text;
}

std::optional<int> URLParts::portNumber() const
{
    if (!port || port->isEmpty() || port->size() > 9)
        return std::nullopt;
    return port->toInt();
}

} // namespace devnook
