#pragma once

#include <QString>

namespace devnook::URLNormalizationService {

// Completes an address the user typed into a URL with a scheme: "http://" for
// local addresses (anything with "localhost", IPv4-like addresses and
// host:port pairs), "https://" for other bare addresses; a text that already
// has a scheme is returned trimmed, and a blank text gives "".
QString normalized(const QString &text);

} // namespace devnook::URLNormalizationService
