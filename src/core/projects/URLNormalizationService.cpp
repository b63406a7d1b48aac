#include "URLNormalizationService.h"

#include "core/foundation/Text.h"

#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace devnook::URLNormalizationService {

namespace {

// A scheme prefix and nothing a URL cannot hold. The port is not checked:
// "http://localhost:99999" is a URL with a scheme, however wrong its port.
bool hasScheme(const QString &text)
{
    static const QRegularExpression schemeURL(u"^[A-Za-z][A-Za-z0-9+.\\-]*:[^\\s]*$"_s);
    return schemeURL.match(text).hasMatch();
}

QString schemeOf(const QString &text)
{
    return text.left(text.indexOf(u':'));
}

// "myapp.test:8080" or "dev.local:3000/app": a dotted host and a port, which
// a URL parser would otherwise read as the scheme "myapp.test".
bool isDottedHostWithPort(const QString &text)
{
    static const QRegularExpression pattern(u"^[^:/\\s]*\\.[^:/\\s]*:\\d+(/.*)?$"_s);
    return pattern.match(text).hasMatch();
}

bool isIPv4Like(const QString &text)
{
    static const QRegularExpression pattern(u"^\\d{1,3}(\\.\\d{1,3}){3}(:\\d+)?(/.*)?$"_s,
                                            QRegularExpression::UseUnicodePropertiesOption);
    return pattern.match(text).hasMatch();
}

} // namespace

QString normalized(const QString &text)
{
    const QString trimmed = Text::trimmed(text);
    if (trimmed.isEmpty())
        return {};
    const bool dottedHostWithPort = isDottedHostWithPort(trimmed);
    if (!dottedHostWithPort && hasScheme(trimmed) &&
        !schemeOf(trimmed).contains(u"localhost", Qt::CaseInsensitive))
        return trimmed;
    if (dottedHostWithPort || trimmed.contains(u"localhost", Qt::CaseInsensitive) || isIPv4Like(trimmed))
        return u"http://"_s + trimmed;
    return u"https://"_s + trimmed;
}

} // namespace devnook::URLNormalizationService
