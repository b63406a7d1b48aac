#pragma once

#include "DevProcessLogLine.h"
#include "core/foundation/Timestamp.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace devnook::DevServerURLDiscoveryService {

// The localhost addresses printed in the lines dated at or after since,
// normalised and de-duplicated: first those not on the configured URL's port,
// then those on it; within each group the addresses exactly as printed come
// first, each kind in text order.
QStringList candidateURLs(const QList<DevProcessLogLine> &lines, Timestamp since,
                          const QString &configuredURL);

// The raw candidates of one printed line, in rule order: full URLs (without a
// list separator after them), rebuilt host-and-port mentions, then both
// loopback names for a listening line.
// Terminal colour and cursor sequences are ignored.
QStringList candidateURLs(const QString &text, const QString &configuredURL);

} // namespace devnook::DevServerURLDiscoveryService
