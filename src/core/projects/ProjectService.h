#pragma once

#include "StoredJsonMember.h"

#include <QList>
#include <QString>
#include <QUuid>

namespace devnook {

// One named dev command of a project, with its own localhost URL.
struct ProjectService {
    QUuid id;
    QString name;
    QString command;
    QString localhostURL;
    // Catalogue members this version does not read, written back unchanged.
    QList<StoredJsonMember> unknownMembers = {};

    // The trimmed name, or the localised "service" when the name is blank.
    QString displayName() const;

    bool operator==(const ProjectService &) const = default;
};

// The services whose command is not blank, in order and as stored.
QList<ProjectService> runnable(const QList<ProjectService> &services);

} // namespace devnook
