// Which local addresses of a project can be previewed, and where a device finds them.
#include "DevicePreviewService.h"
#include "core/foundation/L10n.h"
#include "core/foundation/Text.h"
#include "core/foundation/UuidText.h"
#include "core/projects/URLNormalizationService.h"

using namespace Qt::StringLiterals;

namespace devnook::DevicePreviewService {

namespace {

struct PreviewEntry {
    QString key;
    QString name;
    QString urlText;
    bool replacesReferences = false;
};

QString nameOr(const QString &name, const QString &fallbackKey)
{
    const QString trimmed = Text::trimmed(name);
    return trimmed.isEmpty() ? L10n::text(fallbackKey) : trimmed;
}

QList<PreviewEntry> entries(const DevProject &project)
{
    QList<PreviewEntry> list;
    list.append({u"project:"_s + UuidText::format(project.id), project.name, project.localhostURL, false});
    for (const ProjectService &service : project.services)
        list.append({u"service:"_s + UuidText::format(service.id), nameOr(service.name, u"service"_s),
                     service.localhostURL, false});
    // Linked URLs have no prefixed key, so the store never overrides them.
    for (const ProjectPreviewLinkedURL &linked : project.previewLinkedURLs)
        list.append(
            {UuidText::format(linked.id), nameOr(linked.name, u"linked_local_url"_s), linked.url, true});
    return list;
}

QList<DevicePreviewCandidate> candidates(const QUrl &localURL, const QList<LanInterface> &interfaces)
{
    QList<DevicePreviewCandidate> list;
    if (!isLocalHost(localURL.host()))
        return list;
    for (const LanInterface &interface : interfaces) {
        if (Text::isBlank(interface.address))
            continue;
        QUrl url = localURL;
        url.setHost(interface.address);
        if (url.isValid())
            list.append({interface.name, interface.address, url});
    }
    return list;
}

} // namespace

bool isLocalHost(const QString &host)
{
    const QString lower = host.toLower();
    return lower == u"localhost" || lower == u"127.0.0.1" || lower == u"0.0.0.0";
}

QList<DevicePreviewTarget> targets(const DevProject &project,
                                   const QHash<QString, QString> &effectiveLocalURLs,
                                   const QList<LanInterface> &interfaces)
{
    QList<DevicePreviewTarget> list;
    QStringList seen;
    for (const PreviewEntry &entry : entries(project)) {
        const QString normalized =
            URLNormalizationService::normalized(effectiveLocalURLs.value(entry.key, entry.urlText));
        if (normalized.isEmpty() || seen.contains(normalized))
            continue;
        seen.append(normalized);
        const QUrl url(normalized, QUrl::StrictMode);
        if (!url.isValid())
            continue;
        list.append({entry.name, url, entry.replacesReferences, candidates(url, interfaces)});
    }
    return list;
}

} // namespace devnook::DevicePreviewService
