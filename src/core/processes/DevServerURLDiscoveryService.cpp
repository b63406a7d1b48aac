#include "DevServerURLDiscoveryService.h"

#include "PortInspectionService.h"
#include "TerminalEscapes.h"
#include "URLParts.h"
#include "core/projects/URLNormalizationService.h"

#include <QRegularExpression>
#include <QSet>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace devnook::DevServerURLDiscoveryService {

namespace {

// Unicode-aware \w, \d and \s, as dev tools print more than ASCII around
// their addresses.
constexpr auto kUnicode = QRegularExpression::UseUnicodePropertiesOption;

const QRegularExpression &fullURLRule()
{
    static const QRegularExpression rule(
        u"https?:\\/\\/(?:localhost|127\\.0\\.0\\.1)(?::\\d+)?(?:\\/[^\\s\\)\"'<>]*)?"_s,
        kUnicode | QRegularExpression::CaseInsensitiveOption);
    return rule;
}

const QRegularExpression &hostAndPortRule()
{
    static const QRegularExpression rule(
        u"(?:^|[^\\w.])(localhost|127\\.0\\.0\\.1):(\\d{2,5})(?:\\/[^\\s\\)\"'<>]*)?"_s, kUnicode);
    return rule;
}

const QRegularExpression &listeningLineRule()
{
    static const QRegularExpression rule(
        u"(?i)(?:listening|ready|started server|serving on|http server listening|local:)[^\\n]*?"
        u"(?:0\\.0\\.0\\.0|127\\.0\\.0\\.1|localhost):(\\d{2,5})"_s,
        kUnicode);
    return rule;
}

// Decimal digits 0-9 only: a port written in other scripts' digits is not
// one that a server listens on.
std::optional<int> parsePort(QStringView digits)
{
    if (!std::all_of(digits.begin(), digits.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
        return std::nullopt;
    bool ok = false;
    const int port = digits.toInt(&ok);
    return ok ? std::optional<int>(port) : std::nullopt;
}

// The configured URL with another host and port, built as text so the host
// keeps its case and an unusual port stays as printed.
std::optional<QString> url(const QString &configuredURL, const QString &host, int port)
{
    const QString normalized = URLNormalizationService::normalized(configuredURL);
    std::optional<URLParts> parts = normalized.isEmpty() ? std::nullopt : URLParts::parse(normalized);
    if (!parts)
        return u"http://"_s + host + u':' + QString::number(port) + u'/';
    parts->host = host;
    parts->port = QString::number(port);
    return parts->composed();
}

void appendHostAndPortURLs(QStringList &candidates, const QString &text, const QString &configuredURL)
{
    QRegularExpressionMatchIterator matches = hostAndPortRule().globalMatch(text);
    while (matches.hasNext()) {
        const QRegularExpressionMatch match = matches.next();
        const std::optional<int> port = parsePort(match.capturedView(2));
        if (!port || *port < 1 || *port > 65535)
            continue;
        if (const std::optional<QString> candidate = url(configuredURL, match.captured(1), *port))
            candidates.append(*candidate);
    }
}

void appendListeningPortURLs(QStringList &candidates, const QString &text, const QString &configuredURL)
{
    QRegularExpressionMatchIterator matches = listeningLineRule().globalMatch(text);
    while (matches.hasNext()) {
        const QRegularExpressionMatch match = matches.next();
        const std::optional<int> port = parsePort(match.capturedView(1));
        if (!port)
            continue;
        for (const QString &host : {u"localhost"_s, u"127.0.0.1"_s}) {
            if (const std::optional<QString> candidate = url(configuredURL, host, *port))
                candidates.append(*candidate);
        }
    }
}

// Addresses on another port than the configured one come first: a server
// that prints a different port has usually moved off a busy one.
void sortCandidates(QStringList &candidates, const QString &configuredURL)
{
    const std::optional<int> configuredPort =
        PortInspectionService::tcpPort(URLNormalizationService::normalized(configuredURL));
    const auto onConfiguredPort = [&](const QString &candidate) {
        return configuredPort && PortInspectionService::tcpPort(candidate) == configuredPort;
    };
    std::stable_sort(candidates.begin(), candidates.end(), [&](const QString &a, const QString &b) {
        const bool aOnConfigured = onConfiguredPort(a);
        const bool bOnConfigured = onConfiguredPort(b);
        if (aOnConfigured != bOnConfigured)
            return bOnConfigured;
        return QStringView(a).compare(QStringView(b), Qt::CaseSensitive) < 0;
    });
}

} // namespace

QStringList candidateURLs(const QString &text, const QString &configuredURL)
{
    const QString plain = TerminalEscapes::stripped(text);
    QStringList candidates;
    QRegularExpressionMatchIterator matches = fullURLRule().globalMatch(plain);
    while (matches.hasNext())
        candidates.append(matches.next().captured(0));
    appendHostAndPortURLs(candidates, plain, configuredURL);
    appendListeningPortURLs(candidates, plain, configuredURL);
    return candidates;
}

QStringList candidateURLs(const QList<DevProcessLogLine> &lines, Timestamp since,
                          const QString &configuredURL)
{
    QStringList result;
    QSet<QString> seen;
    for (const DevProcessLogLine &line : lines) {
        if (line.date < since)
            continue;
        const QStringList candidates = candidateURLs(line.text, configuredURL);
        for (const QString &candidate : candidates) {
            const QString normalized = URLNormalizationService::normalized(candidate);
            if (normalized.isEmpty() || seen.contains(normalized))
                continue;
            seen.insert(normalized);
            result.append(normalized);
        }
    }
    sortCandidates(result, configuredURL);
    return result;
}

} // namespace devnook::DevServerURLDiscoveryService
