#pragma once

#include "StoredJsonMember.h"

#include <QList>
#include <QString>
#include <QUuid>
#include <optional>

namespace devnook {

// The known kinds of workspace link, in the order the link editor lists them.
enum class WorkspaceLinkKind { github, production, staging, figma, notion, supabase, admin };

namespace WorkspaceLinkKinds {

// Every kind, in order.
const QList<WorkspaceLinkKind> &all();

// The raw value, also the identifier and the catalogue value ("github").
QString rawValue(WorkspaceLinkKind kind);

// The kind of a raw value, matched exactly; nothing for any other text.
std::optional<WorkspaceLinkKind> fromRawValue(const QString &rawValue);

// The localised title ("link_github" and so on).
QString localizedTitle(WorkspaceLinkKind kind);

} // namespace WorkspaceLinkKinds

// A workspace link; a link without a kind is a custom link with its own title.
struct ProjectLink {
    QUuid id;
    std::optional<WorkspaceLinkKind> kind;
    QString title;
    QString url;
    bool openWithWorkspace = false;
    // Catalogue members this version does not read, written back unchanged.
    QList<StoredJsonMember> unknownMembers = {};

    // The kind's title, else the trimmed title, else the localised "custom_link".
    QString displayTitle() const;

    bool operator==(const ProjectLink &) const = default;
};

// A workspace link whose kind this version does not know, such as one a
// later version added. It is never shown or opened, and goes back to the
// catalogue as it was stored, at its place among the project's links.
struct LinkKeptAsStored {
    // Its index in the project's stored list of links.
    qsizetype position = 0;
    // The link's JSON text as it was stored.
    QByteArray json;

    bool operator==(const LinkKeptAsStored &) const = default;
};

// An extra named local URL that the device preview publishes for a project.
struct ProjectPreviewLinkedURL {
    QUuid id;
    QString name;
    QString url;
    // Catalogue members this version does not read, written back unchanged.
    QList<StoredJsonMember> unknownMembers = {};

    bool operator==(const ProjectPreviewLinkedURL &) const = default;
};

} // namespace devnook
