#pragma once

#include <QString>

namespace devnook {

class KeyValueStore;

namespace InstallationIdentityService {

inline const QString kInstallationIDKey = QStringLiteral("Devnook.installationID");

// The installation's anonymous identifier: the stored text when not empty,
// otherwise a new upper-case UUID that is stored and returned.
QString installationID(KeyValueStore &defaults);

} // namespace InstallationIdentityService

} // namespace devnook
