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
// that prints a different port has usually moved off a busy one. Within
// each group an address exactly as printed comes before the variants
// rebuilt from it, which may be another browser origin.
void sortCandidates(QStringList &candidates, const QSet<QString> &printed, const QString &configuredURL)
{
    const std::optional<int> configuredPort =
        PortInspectionService::tcpPort(URLNormalizationService::normalized(configuredURL));
    const auto rank = [&](const QString &candidate) {
        const bool onConfiguredPort =
            configuredPort && PortInspectionService::tcpPort(candidate) == configuredPort;
        return std::pair{onConfiguredPort, !printed.contains(candidate)};
    };
    std::stable_sort(candidates.begin(), candidates.end(), [&](const QString &a, const QString &b) {
        const auto aRank = rank(a);
        const auto bRank = rank(b);
        if (aRank != bRank)
            return aRank < bRank;
        return QStringView(a).compare(QStringView(b), Qt::CaseSensitive) < 0;
    });
}

// The full URLs printed in the text, without a list separator after them.
QStringList printedURLs(const QString &plain)
{
    QStringList urls;
    QRegularExpressionMatchIterator matches = fullURLRule().globalMatch(plain);
    while (matches.hasNext()) {
        QString url = matches.next().captured(0);
        while (QStringView(u",.;:").contains(url.back()))
            url.chop(1);
        urls.append(url);
    }
    return urls;
}

// The printed URLs followed by the rebuilt ones.
QStringList rawCandidates(const QString &plain, const QStringList &printed, const QString &configuredURL)
{
    QStringList candidates = printed;
    appendHostAndPortURLs(candidates, plain, configuredURL);
    appendListeningPortURLs(candidates, plain, configuredURL);
    return candidates;
}

} // namespace

QStringList candidateURLs(const QString &text, const QString &configuredURL)
{
    const QString plain = TerminalEscapes::stripped(text);
    return rawCandidates(plain, printedURLs(plain), configuredURL);
}

QStringList candidateURLs(const QList<DevProcessLogLine> &lines, Timestamp since,
                          const QString &configuredURL)
{
    QStringList result;
    QSet<QString> seen;
    QSet<QString> printed;
    for (const DevProcessLogLine &line : lines) {
        if (line.date < since)
            continue;
        const QString plain = TerminalEscapes::stripped(line.text);
        const QStringList printedHere = printedURLs(plain);
        for (const QString &url : printedHere)
            printed.insert(URLNormalizationService::normalized(url));
        const QStringList candidates = rawCandidates(plain, printedHere, configuredURL);
        for (const QString &candidate : candidates) {
            const QString normalized = URLNormalizationService::normalized(candidate);
            if (normalized.isEmpty() || seen.contains(normalized))
                continue;
            seen.insert(normalized);
            result.append(normalized);
        }
    }
    sortCandidates(result, printed, configuredURL);
    return result;
}

} // namespace devnook::DevServerURLDiscoveryService
