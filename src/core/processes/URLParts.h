#pragma once

#include <QString>
#include <QStringView>
#include <optional>

namespace devnook {

// The parts of a URL text, kept as written. Unlike QUrl it leaves the host's
// case and an out-of-range port alone, which the printed addresses of dev
// servers need.
struct URLParts {
    QString scheme;
    // Absent for a URL without "//".
    std::optional<QString> userInfo;
    std::optional<QString> host;
    // The digits after the host's colon; empty for "host:".
    std::optional<QString> port;
    QString path;
    std::optional<QString> query;
    std::optional<QString> fragment;

    // None for text that is not a URL: no scheme, spaces, or characters that
    // a URL cannot hold.
    static std::optional<URLParts> parse(QStringView text);

    // The text of the parts; none when a path that does not begin with "/"
    // would follow a host.
    std::optional<QString> composed() const;

    // The port as a number, or none when absent, empty or too long to be one.
    std::optional<int> portNumber() const;
};

} // namespace devnook
