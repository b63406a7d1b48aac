#pragma once

#include "ProjectLink.h"
#include "ProjectService.h"
#include "core/foundation/Timestamp.h"

#include <QList>
#include <QString>
#include <QUuid>
#include <optional>

namespace devnook {

// A project of the catalogue.
struct DevProject {
    QUuid id;
    QString name;
    QString client;
    QString clientColorHex;
    QString stack;
    QString folderPath;
    QString localhostURL;
    // The single command of projects made before services existed; used only
    // when no service is runnable.
    QString devCommand;
    QList<ProjectService> services;
    QString editorCommand;
    bool openLocalURLAfterStart = true;
    QList<ProjectLink> workspaceLinks;
    QList<ProjectPreviewLinkedURL> previewLinkedURLs;
    QString notes;
    bool isPinned = false;
    bool isArchived = false;
    std::optional<Timestamp> lastUsedAt;
    // Members of the catalogue object that this version does not read, such
    // as those a later version added; written back unchanged.
    QList<StoredJsonMember> unknownMembers = {};
    // Workspace links this version cannot read, kept apart from
    // workspaceLinks and written back unchanged.
    QList<LinkKeptAsStored> linksKeptAsStored = {};

    // The services the process manager starts: the runnable services, else the
    // trimmed dev command as one service with the project's id, named
    // "primary_service", else none.
    QList<ProjectService> runnableServices() const;

    // True unless the trimmed folder path names an existing directory.
    bool isFolderMissing() const;

    bool operator==(const DevProject &) const = default;
};

} // namespace devnook
