#pragma once

#include <QString>

namespace devnook {

class KeyValueStore;

namespace DiagnosticInfoService {

// "Devnook diagnostics", the version, the OS and the installation ID, one
// per line, no trailing newline. Reading the ID stores one when none exists.
QString summary(KeyValueStore &defaults);

// The same text from given values.
QString summary(const QString &version, const QString &operatingSystem, const QString &installationID);

} // namespace DiagnosticInfoService

} // namespace devnook
